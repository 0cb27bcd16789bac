# The program: its folders talk to the runtime through its API headers only.

add_library(ember_program STATIC
  app/app_state.cpp
  app/intro_menu.cpp
  app/log.cpp
  app/main_loop.cpp
  app/screenshot.cpp
  app/window_proc.cpp
  input/keyboard.cpp
  input/mouse.cpp
  overlay/frame_rate.cpp
  overlay/image_button.cpp
  overlay/text_font.cpp
  scene/camera.cpp
  scene/flame_scene.cpp
  scene/mesh_object.cpp
  video/display_device.cpp
  video/display_options.cpp)
target_link_libraries(ember_program PUBLIC ember_d3dx9 ember_dinput8 ember_win32)

set(EMBER_STAGE_DIR ${CMAKE_BINARY_DIR}/stage)
# The icon is linked into the executable, as a resource script's output would be.
add_executable(emberlab runtime/win32/entry.cpp app/app_icon.cpp)
target_link_libraries(emberlab PRIVATE ember_program)
set_target_properties(emberlab PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${EMBER_STAGE_DIR}/bin)
