# The fuzz targets' seed corpora and kept crashing inputs, replayed in the plain build under
# AddressSanitizer and UndefinedBehaviorSanitizer, so a fix that comes undone fails the tests
# even where clang is not installed.
include(cmake/fuzz_targets.cmake)

set(EMBER_REPLAY_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all
                            -fno-omit-frame-pointer)
ember_fuzz_build(_replay "${EMBER_REPLAY_SANITIZERS}"
                 "${EMBER_REPLAY_SANITIZERS}" ${EMBER_FUZZ_DIR}/replay_main.cpp)

foreach(name ${EMBER_FUZZ_IMAGE_TARGETS} xfile fx_parser fx_compile)
  add_test(NAME fuzz_replay.${name}
           COMMAND fuzz_${name}_replay ${EMBER_FUZZ_DIR}/corpus/${name}
                   ${EMBER_FUZZ_DIR}/regressions/${name})
endforeach()
