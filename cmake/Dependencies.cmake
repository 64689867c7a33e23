# Test and benchmark tools only; the programs themselves need nothing beyond
# the standard library and the platform.
if(BUILD_TESTING)
  if(CMAKE_CROSSCOMPILING)
    # Debian ships GoogleTest's sources; build them with the cross compiler.
    set(GLIMMERDIG_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(${GLIMMERDIG_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/third_party/googletest EXCLUDE_FROM_ALL SYSTEM)
    # Newer GoogleTest releases name their targets this way themselves.
    if(NOT TARGET GTest::gtest)
      add_library(GTest::gtest ALIAS gtest)
      add_library(GTest::gtest_main ALIAS gtest_main)
      add_library(GTest::gmock ALIAS gmock)
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
  include(GoogleTest)
endif()
if(GLIMMERDIG_BENCHMARKS AND NOT CMAKE_CROSSCOMPILING)
  find_package(benchmark REQUIRED)
endif()
