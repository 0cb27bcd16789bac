# libFuzzer targets, one a parser, under AddressSanitizer and UndefinedBehaviorSanitizer.
# Configured with clang in its own folder (scripts/fuzz: cmake -B build-fuzz -DEMBER_FUZZ=ON
# -DCMAKE_CXX_COMPILER=clang++), which also tests that each target replays its corpus and its
# kept crashing inputs.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "EMBER_FUZZ needs clang++: configure with -DCMAKE_CXX_COMPILER=clang++")
endif()

include(cmake/fuzz_targets.cmake)

set(EMBER_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all
                          -fno-omit-frame-pointer)
ember_fuzz_build("" "-fsanitize=fuzzer-no-link;${EMBER_FUZZ_SANITIZERS}"
                 "-fsanitize=fuzzer;${EMBER_FUZZ_SANITIZERS}" "")

# Named files are run once each, without fuzzing; scripts/fuzz configures again before each
# run, so the lists are current.
foreach(name ${EMBER_FUZZ_IMAGE_TARGETS} xfile fx_parser fx_compile)
  file(GLOB inputs ${EMBER_FUZZ_DIR}/corpus/${name}/* ${EMBER_FUZZ_DIR}/regressions/${name}/*)
  add_test(NAME fuzz.${name} COMMAND fuzz_${name} ${inputs})
endforeach()
