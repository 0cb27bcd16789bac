# The runtime layer: our stand-ins for the platform, knowing nothing of the demo.

add_library(ember_host STATIC
  runtime/host/host.cpp
  runtime/host/sdl_host.cpp
  runtime/host/scripted_host.cpp
  runtime/host/signal_watch.cpp
  runtime/host/x11_screen.cpp)
target_link_libraries(ember_host PUBLIC SDL2::SDL2 OpenGL::OpenGL OpenGL::EGL X11::X11 Threads::Threads)

add_library(ember_win32 STATIC
  runtime/win32/bitmap.cpp
  runtime/win32/gdi.cpp
  runtime/win32/guids.cpp
  runtime/win32/keymap.cpp
  runtime/win32/message_box.cpp
  runtime/win32/messages.cpp
  runtime/win32/system.cpp
  runtime/win32/text.cpp
  runtime/win32/window.cpp)
target_link_libraries(ember_win32 PUBLIC ember_host ember_image)

add_library(ember_d3d9 STATIC
  runtime/d3d9/buffer.cpp
  runtime/d3d9/caps.cpp
  runtime/d3d9/device.cpp
  runtime/d3d9/device_draw.cpp
  runtime/d3d9/device_front_buffer.cpp
  runtime/d3d9/device_present.cpp
  runtime/d3d9/device_resources.cpp
  runtime/d3d9/device_states.cpp
  runtime/d3d9/device_update_surface.cpp
  runtime/d3d9/device_vertex_input.cpp
  runtime/d3d9/direct3d9.cpp
  runtime/d3d9/fvf.cpp
  runtime/d3d9/gl_context.cpp
  runtime/d3d9/gl_state_cache.cpp
  runtime/d3d9/render_state_flush.cpp
  runtime/d3d9/render_target.cpp
  runtime/d3d9/sampler_states.cpp
  runtime/d3d9/surface.cpp
  runtime/d3d9/surface_upload.cpp
  runtime/d3d9/texture.cpp
  runtime/d3d9/texture_core.cpp
  runtime/d3d9/texture_format.cpp
  runtime/d3d9/texture_stages.cpp
  runtime/d3d9/texture_units.cpp
  runtime/d3d9/volume_texture.cpp
  runtime/d3d9/vertex_arrays.cpp
  runtime/d3d9/vertex_declaration.cpp)
target_link_libraries(ember_d3d9 PUBLIC ember_win32 OpenGL::OpenGL)

add_library(ember_d3dx9 STATIC
  runtime/d3dx9/buffer.cpp
  runtime/d3dx9/effect.cpp
  runtime/d3dx9/effect_build.cpp
  runtime/d3dx9/effect_file.cpp
  runtime/d3dx9/effect_parameters.cpp
  runtime/d3dx9/effect_passes.cpp
  runtime/d3dx9/effect_program.cpp
  runtime/d3dx9/font.cpp
  runtime/d3dx9/math.cpp
  runtime/d3dx9/mesh.cpp
  runtime/d3dx9/mesh_clone.cpp
  runtime/d3dx9/mesh_compute.cpp
  runtime/d3dx9/mesh_load.cpp
  runtime/d3dx9/picture.cpp
  runtime/d3dx9/picture_rules.cpp
  runtime/d3dx9/sprite.cpp
  runtime/d3dx9/sprite_renderer.cpp
  runtime/d3dx9/surface_load.cpp
  runtime/d3dx9/surface_save.cpp
  runtime/d3dx9/texture_from_file.cpp
  runtime/d3dx9/volume_from_file.cpp
  runtime/d3dx9/vertex_formats.cpp)
target_link_libraries(ember_d3dx9 PUBLIC ember_d3d9 ember_image ember_glyphs ember_xfile ember_fx)

add_library(ember_dinput8 STATIC
  runtime/dinput8/data_formats.cpp
  runtime/dinput8/device.cpp
  runtime/dinput8/dinput8.cpp
  runtime/dinput8/guids.cpp
  runtime/dinput8/keyboard.cpp
  runtime/dinput8/keymap.cpp
  runtime/dinput8/mouse.cpp)
target_link_libraries(ember_dinput8 PUBLIC ember_win32)

include(cmake/dinput_tests.cmake)

include(cmake/texture_tests.cmake)

include(cmake/effect_runtime_tests.cmake)

include(cmake/mesh_tests.cmake)
