# Font stand-in, CPU side: face lookup (fontconfig), glyph atlas (FreeType)
# and the text layout behind DrawTextA.
add_library(ember_glyphs STATIC
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/font_finder.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/glyph_atlas.cpp
  ${PROJECT_SOURCE_DIR}/runtime/d3dx9/text_layout.cpp)
target_link_libraries(ember_glyphs PRIVATE Freetype::Freetype Fontconfig::Fontconfig)

add_executable(glyph_test ${PROJECT_SOURCE_DIR}/tests/glyph_test.cpp)
# The test opens the chosen fonts with FreeType itself to check them.
target_link_libraries(glyph_test PRIVATE ember_glyphs Freetype::Freetype GTest::gtest_main)
gtest_discover_tests(glyph_test)
