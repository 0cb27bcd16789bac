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
  tests/frames_test.cpp
  tests/log_test.cpp
  tests/data_matrix_test.cpp
  tests/failure_messages_test.cpp
  tests/main_loop_test.cpp
  tests/math_test.cpp
  tests/menu_flow_test.cpp
  tests/menu_test.cpp
  tests/program_end_test.cpp
  tests/win32_test.cpp)
target_link_libraries(program_test PRIVATE ember_test_support GTest::gtest_main)
target_compile_definitions(program_test PRIVATE EMBER_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
gtest_discover_tests(program_test DISCOVERY_TIMEOUT 60)

# The soak and the desktop runs measure time and memory, so they run in the plain build only.
if(EMBER_SANITIZE)
  return()
endif()

# An hour of demo in virtual time, 3,600 frames: minutes on a software renderer, so a test of
# its own that CTest starts first.
add_executable(soak_test tests/soak_test.cpp)
target_link_libraries(soak_test PRIVATE ember_test_support GTest::gtest_main)
gtest_discover_tests(soak_test PROPERTIES TIMEOUT 2400 COST 1000 LABELS soak)

# The real program on a virtual X display, driven as a person would (Xvfb, xdotool, openbox).
# One at a time: they measure how fast the program ends, and each renders on llvmpipe.
foreach(run signal_in_menu signals_in_every_phase bad_display alt_f4_in_demo missing_runtime
            screenshot_under_wm)
  add_test(NAME desktop.${run}
           COMMAND bash ${CMAKE_SOURCE_DIR}/tests/e2e/desktop_runs.sh ${run} ${CMAKE_BINARY_DIR}/stage)
  set_tests_properties(desktop.${run} PROPERTIES RUN_SERIAL TRUE TIMEOUT 180 LABELS desktop)
endforeach()
