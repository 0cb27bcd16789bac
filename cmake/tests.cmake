# The program's and the runtime's tests, run through CTest.

add_library(ember_test_support STATIC
  tests/support/device_fixture.cpp
  tests/support/program_run.cpp
  tests/support/test_env.cpp)
target_link_libraries(ember_test_support PUBLIC ember_program GTest::gtest)
target_compile_definitions(ember_test_support PRIVATE EMBER_STAGE_DIR="${CMAKE_BINARY_DIR}/stage")
add_dependencies(ember_test_support ember_data)

add_executable(program_test
  tests/allocation_counter.cpp
  tests/camera_test.cpp
  tests/device_test.cpp
  tests/display_device_test.cpp
  tests/flame_scene_test.cpp
  tests/frame_rate_test.cpp
  tests/log_test.cpp
  tests/main_loop_test.cpp
  tests/math_test.cpp
  tests/menu_flow_test.cpp
  tests/menu_test.cpp
  tests/win32_test.cpp)
target_link_libraries(program_test PRIVATE ember_test_support GTest::gtest_main)
gtest_discover_tests(program_test DISCOVERY_TIMEOUT 60)
