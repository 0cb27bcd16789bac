# The runtime layer: our stand-ins for the platform, knowing nothing of the demo.

add_library(ember_host STATIC
  runtime/host/host.cpp
  runtime/host/sdl_host.cpp
  runtime/host/scripted_host.cpp)
target_link_libraries(ember_host PUBLIC SDL2::SDL2 OpenGL::OpenGL OpenGL::EGL)

add_library(ember_win32 STATIC
  runtime/win32/gdi.cpp
  runtime/win32/guids.cpp
  runtime/win32/keymap.cpp
  runtime/win32/message_box.cpp
  runtime/win32/messages.cpp
  runtime/win32/system.cpp
  runtime/win32/text.cpp
  runtime/win32/window.cpp)
target_link_libraries(ember_win32 PUBLIC ember_host)

add_library(ember_d3d9 STATIC
  runtime/d3d9/caps.cpp
  runtime/d3d9/device.cpp
  runtime/d3d9/device_present.cpp
  runtime/d3d9/device_states.cpp
  runtime/d3d9/direct3d9.cpp
  runtime/d3d9/gl_context.cpp
  runtime/d3d9/gl_state_cache.cpp
  runtime/d3d9/render_target.cpp
  runtime/d3d9/surface.cpp)
target_link_libraries(ember_d3d9 PUBLIC ember_win32 OpenGL::OpenGL)

add_library(ember_d3dx9 STATIC
  runtime/d3dx9/math.cpp)
target_link_libraries(ember_d3dx9 PUBLIC ember_d3d9)
