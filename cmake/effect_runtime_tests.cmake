# The effect runtime, tested on real GL through the scripted host: the program's effect file
# compiles and links, parameters, techniques, pass states, uploads and draws read back.
add_executable(effect_test
  tests/effect_test.cpp
  tests/effect_draw_test.cpp
  tests/allocation_counter.cpp)
target_compile_definitions(effect_test PRIVATE EMBER_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
target_link_libraries(effect_test PRIVATE ember_d3dx9 GTest::gtest_main)
gtest_discover_tests(effect_test)
