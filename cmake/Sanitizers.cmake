# Instrumented builds with clang: QUILLON_SANITIZE (make sanitize) runs the whole
# test suite under AddressSanitizer and UndefinedBehaviorSanitizer; QUILLON_FUZZ
# (make fuzz) adds libFuzzer's coverage hooks and the targets in fuzz/.
option(QUILLON_SANITIZE "Build every target with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(QUILLON_FUZZ "Build the libFuzzer targets in fuzz/ (clang)" OFF)

if(QUILLON_SANITIZE OR QUILLON_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "Sanitizer and fuzz builds need clang: configure with -DCMAKE_CXX_COMPILER=clang++")
  endif()
  # Every finding is fatal: a report must fail the run, never scroll past.
  set(QUILLON_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${QUILLON_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
  if(QUILLON_FUZZ)
    add_compile_options(-fsanitize=fuzzer-no-link)
  endif()
endif()
