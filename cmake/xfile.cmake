# Text X mesh files and the mesh arithmetic of the D3DX stand-in: plain CPU code, no GL.
set(EMBER_XFILE_SOURCES
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/xfile_lexer.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/xfile_parser.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/xfile_build.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/xfile_load.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/mesh_math.cpp
)
set(EMBER_XFILE_TEST_SOURCES
  ${PROJECT_SOURCE_DIR}/tests/xfile_test.cpp
  ${PROJECT_SOURCE_DIR}/tests/mesh_math_test.cpp
)

add_library(ember_xfile STATIC ${EMBER_XFILE_SOURCES})

add_executable(xfile_test ${EMBER_XFILE_TEST_SOURCES})
target_link_libraries(xfile_test PRIVATE ember_xfile GTest::gtest_main)
gtest_discover_tests(xfile_test)
