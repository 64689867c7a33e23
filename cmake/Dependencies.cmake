# Test and benchmark tools only; the programs themselves need nothing beyond
# the standard library and the platform.
if(BUILD_TESTING)
  if(CMAKE_CROSSCOMPILING)
    # Debian ships GoogleTest's sources; build them with the cross compiler.
    set(GLIMMERDIG_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    # Its own CMake files define the GTest:: targets.
    add_subdirectory(${GLIMMERDIG_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL SYSTEM)
  else()
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endif()
if(GLIMMERDIG_BENCHMARKS AND NOT CMAKE_CROSSCOMPILING)
  find_package(benchmark REQUIRED)
endif()
