# The draw path (vertex declarations, buffers, draws and their render states) and D3DX meshes,
# tested on real GL through the scripted host.
add_executable(mesh_test
  tests/vertex_input_test.cpp
  tests/draw_test.cpp
  tests/mesh_test.cpp
  tests/mesh_file_test.cpp
  tests/allocation_counter.cpp)
target_link_libraries(mesh_test PRIVATE ember_d3dx9 GTest::gtest_main)
gtest_discover_tests(mesh_test)
