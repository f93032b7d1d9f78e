# Settings every target of the project shares.
add_library(korvant_common_cfg INTERFACE)
target_compile_features(korvant_common_cfg INTERFACE cxx_std_20)
target_compile_options(korvant_common_cfg INTERFACE
  -Wall -Wextra -pedantic -Wold-style-cast -Wnon-virtual-dtor
  $<$<BOOL:${KORVANT_WERROR}>:-Werror>)
target_compile_definitions(korvant_common_cfg INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_USE_QSTRINGBUILDER
  QT_NO_KEYWORDS)

# Sanitizer build (a build directory of its own, e.g. build-asan): every target, the simulator
# and the tests included, runs under AddressSanitizer and UndefinedBehaviorSanitizer, and any
# finding ends the process.
option(KORVANT_SANITIZE "Build everything with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
# Fuzzing build (clang only, a build directory of its own): the libraries are instrumented for
# libFuzzer and the targets in fuzz/ are built and registered as tests labelled "fuzz".
option(KORVANT_FUZZ "Build the libFuzzer targets in fuzz/ (needs clang)" OFF)

set(KORVANT_SANITIZER_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
  -fno-sanitize-recover=undefined)
if(KORVANT_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "KORVANT_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  add_compile_options(${KORVANT_SANITIZER_FLAGS} -fsanitize=fuzzer-no-link)
  add_link_options(-fsanitize=address,undefined)
elseif(KORVANT_SANITIZE)
  add_compile_options(${KORVANT_SANITIZER_FLAGS})
  add_link_options(-fsanitize=address,undefined)
endif()
