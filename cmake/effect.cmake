# Effect files: the framework parser (no dependencies) and the pass compiler
# (glslang's HLSL front end, then SPIRV-Cross to GLSL 330).
set(EMBER_FX_PARSER_SOURCES
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/fx_states.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/fx_lexer.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/fx_parser.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/fx_parser_states.cpp)

set(EMBER_FX_COMPILER_SOURCES
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/fx_glslang.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/fx_isolated.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/fx_matrix_swizzle.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/fx_messages.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/fx_cross.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/fx_compiler.cpp)

add_library(ember_fx STATIC ${EMBER_FX_PARSER_SOURCES} ${EMBER_FX_COMPILER_SOURCES})
# glslang is built without RTTI, so UndefinedBehaviorSanitizer's vptr check
# (EMBER_SANITIZE) would need typeinfo that its classes do not have.
set_source_files_properties(${PROJECT_SOURCE_DIR}/runtime/d3dx9/fx_glslang.cpp
  PROPERTIES COMPILE_OPTIONS -fno-sanitize=vptr)
target_include_directories(ember_fx PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(ember_fx PRIVATE
  glslang::glslang glslang::SPIRV glslang::glslang-default-resource-limits PkgConfig::SPIRV_CROSS)

set(EMBER_FX_TEST_DATA ${PROJECT_SOURCE_DIR}/tests/data/fx)

add_executable(fx_test
  ${PROJECT_SOURCE_DIR}/tests/fx_parser_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/fx_compiler_test.cpp)
target_compile_definitions(fx_test PRIVATE EMBER_FX_TEST_DATA="${EMBER_FX_TEST_DATA}")
target_link_libraries(fx_test PRIVATE ember_fx GTest::gtest_main)
gtest_discover_tests(fx_test)
