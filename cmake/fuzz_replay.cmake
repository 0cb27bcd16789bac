# The fuzz targets' seed corpora and kept crashing inputs, replayed in the sanitized test
# configuration, so a fix that comes undone fails the tests even where clang is not installed.
include(cmake/fuzz_targets.cmake)

ember_fuzz_build(_replay "" "" ${EMBER_FUZZ_DIR}/replay_main.cpp)

# As scripts/fuzz does, one allocation past the image load limit (and some room) is a failure.
foreach(name ${EMBER_FUZZ_IMAGE_TARGETS} xfile fx_parser fx_compile)
  add_test(NAME fuzz_replay.${name}
           COMMAND fuzz_${name}_replay ${EMBER_FUZZ_DIR}/corpus/${name}
                   ${EMBER_FUZZ_DIR}/regressions/${name})
  set_tests_properties(fuzz_replay.${name} PROPERTIES ENVIRONMENT_MODIFICATION
                       ASAN_OPTIONS=string_append::max_allocation_size_mb=640)
endforeach()
