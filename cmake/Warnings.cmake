# Every target of ours gets the same strict warnings; third-party code does not.
add_library(glimmerdig_warnings INTERFACE)
target_compile_options(glimmerdig_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
  -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
  -Wnull-dereference -Wimplicit-fallthrough)
if(CMAKE_COMPILE_WARNING_AS_ERROR)
  target_compile_options(glimmerdig_warnings INTERFACE -Werror)
endif()

if(GLIMMERDIG_SANITIZE)
  if(GLIMMERDIG_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # One self-contained .exe: no MinGW runtime DLLs beside it. UTF-8 and the
  # W APIs throughout.
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
  add_link_options(-static)
endif()
