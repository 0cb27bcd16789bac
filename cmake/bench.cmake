# The flame benchmark: scene load and demo frames offscreen.
add_executable(flame_bench bench/flame_bench.cpp)
target_link_libraries(flame_bench PRIVATE ember_program)
set_target_properties(flame_bench PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
