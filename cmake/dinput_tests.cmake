# Tests of the DirectInput 8 stand-in, on the scripted host.
add_executable(dinput_test tests/dinput_test.cpp tests/allocation_counter.cpp)
target_link_libraries(dinput_test PRIVATE ember_dinput8 GTest::gtest_main)
gtest_discover_tests(dinput_test)
