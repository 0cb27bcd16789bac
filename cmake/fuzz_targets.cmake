# The fuzz targets and what each one is built from, shared by the libFuzzer build (fuzz.cmake)
# and the plain replay of their inputs (fuzz_replay.cmake). `ember_fuzz_build(suffix flags
# link_flags main)` makes one executable per target, fuzz_<name><suffix>, over libraries of the
# parsers compiled with `flags`.

set(EMBER_FUZZ_DIR ${PROJECT_SOURCE_DIR}/tests/fuzz)
set(EMBER_FUZZ_IMAGE_TARGETS png jpeg bmp dds texture)

function(ember_fuzz_build suffix flags link_flags main)
  # Each parser compiled once, with the flags, for all the targets that read it.
  add_library(ember_fuzz_image${suffix} STATIC
    ${EMBER_IMAGE_SOURCES} ${PROJECT_SOURCE_DIR}/runtime/d3dx9/picture_rules.cpp)
  target_link_libraries(ember_fuzz_image${suffix} PUBLIC ${EMBER_IMAGE_LIBS})
  # Mutated PNG files get past libpng's checksums, to reach the decoding behind them.
  target_compile_definitions(ember_fuzz_image${suffix} PRIVATE EMBER_FUZZ_RELAX_CHECKSUMS)
  add_library(ember_fuzz_xfile${suffix} STATIC ${EMBER_XFILE_SOURCES})
  add_library(ember_fuzz_fx_parser${suffix} STATIC ${EMBER_FX_PARSER_SOURCES})
  add_library(ember_fuzz_fx_compiler${suffix} STATIC ${EMBER_FX_COMPILER_SOURCES})
  # The compiler links what the effect library links, whatever that becomes.
  get_target_property(fx_links ember_fx LINK_LIBRARIES)
  target_link_libraries(ember_fuzz_fx_compiler${suffix} PUBLIC ${fx_links})
  foreach(lib image xfile fx_parser fx_compiler)
    target_compile_options(ember_fuzz_${lib}${suffix} PRIVATE ${flags})
    target_include_directories(ember_fuzz_${lib}${suffix} PUBLIC ${PROJECT_SOURCE_DIR})
  endforeach()

  set(libs_xfile ember_fuzz_xfile${suffix})
  set(libs_fx_parser ember_fuzz_fx_parser${suffix})
  set(libs_fx_compile ember_fuzz_fx_parser${suffix} ember_fuzz_fx_compiler${suffix})
  foreach(name ${EMBER_FUZZ_IMAGE_TARGETS})
    set(libs_${name} ember_fuzz_image${suffix})
  endforeach()
  foreach(name ${EMBER_FUZZ_IMAGE_TARGETS} xfile fx_parser fx_compile)
    add_executable(fuzz_${name}${suffix} ${EMBER_FUZZ_DIR}/${name}_fuzz.cpp ${main})
    target_compile_options(fuzz_${name}${suffix} PRIVATE ${flags})
    target_link_options(fuzz_${name}${suffix} PRIVATE ${link_flags})
    target_link_libraries(fuzz_${name}${suffix} PRIVATE ${libs_${name}})
  endforeach()
endfunction()
