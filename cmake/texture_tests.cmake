# Textures, surfaces, D3DX texture files and the sprite, tested on real GL through the
# scripted host.
add_executable(texture_test
  tests/texture_test.cpp
  tests/texture_file_test.cpp
  tests/surface_copy_test.cpp
  tests/surface_file_test.cpp
  tests/sprite_test.cpp
  tests/allocation_counter.cpp)
target_link_libraries(texture_test PRIVATE ember_d3dx9 GTest::gtest_main)
gtest_discover_tests(texture_test)
