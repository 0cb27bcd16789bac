# Build-time picture tools and the generated data they stage beside the program:
# stage/Immagini/... and stage/Data/flame/... (the program runs in stage/bin).

set(EMBER_STAGE_DIR ${CMAKE_BINARY_DIR}/stage)
set(EMBER_STAGE_IMAGES ${EMBER_STAGE_DIR}/Immagini)
set(EMBER_STAGE_FLAME ${EMBER_STAGE_DIR}/Data/flame)

add_library(ember_data_tools STATIC
  data/tools/canvas.cpp
  data/tools/noise.cpp
  data/tools/image_writers.cpp
  data/tools/text_painter.cpp)
target_link_libraries(ember_data_tools PUBLIC PNG::PNG JPEG::JPEG Freetype::Freetype Fontconfig::Fontconfig)

foreach(tool make_intro make_buttons make_cursor make_background make_noise make_flame)
  add_executable(ember_${tool} data/tools/${tool}.cpp)
  target_link_libraries(ember_${tool} PRIVATE ember_data_tools)
endforeach()

set(EMBER_LOGO ${EMBER_STAGE_IMAGES}/TAVEK_LOGO.jpg)
set(EMBER_LOADING ${EMBER_STAGE_IMAGES}/Loading.jpg)
add_custom_command(OUTPUT ${EMBER_LOGO} ${EMBER_LOADING}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${EMBER_STAGE_IMAGES}
  COMMAND ember_make_intro ${EMBER_LOGO} ${EMBER_LOADING}
  DEPENDS ember_make_intro
  COMMENT "Drawing the logo and loading pictures")

set(EMBER_BUTTONS
  ${EMBER_STAGE_IMAGES}/Button/startGame.png
  ${EMBER_STAGE_IMAGES}/Button/startGameOn.png
  ${EMBER_STAGE_IMAGES}/Button/exitGame.png
  ${EMBER_STAGE_IMAGES}/Button/exitGameOn.png)
add_custom_command(OUTPUT ${EMBER_BUTTONS}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${EMBER_STAGE_IMAGES}/Button
  COMMAND ember_make_buttons ${EMBER_STAGE_IMAGES}/Button
  DEPENDS ember_make_buttons
  COMMENT "Drawing the menu buttons")

set(EMBER_CURSOR ${EMBER_STAGE_IMAGES}/Mouse/cursore.bmp)
add_custom_command(OUTPUT ${EMBER_CURSOR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${EMBER_STAGE_IMAGES}/Mouse
  COMMAND ember_make_cursor ${EMBER_CURSOR}
  DEPENDS ember_make_cursor
  COMMENT "Drawing the mouse cursor")

set(EMBER_BACKGROUND ${EMBER_STAGE_IMAGES}/sfondo.bmp)
add_custom_command(OUTPUT ${EMBER_BACKGROUND}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${EMBER_STAGE_IMAGES}
  COMMAND ember_make_background ${EMBER_BACKGROUND}
  DEPENDS ember_make_background
  COMMENT "Drawing the demo background")

set(EMBER_NOISE ${EMBER_STAGE_FLAME}/noiseL8_32x32x32.dds)
add_custom_command(OUTPUT ${EMBER_NOISE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${EMBER_STAGE_FLAME}
  COMMAND ember_make_noise ${EMBER_NOISE}
  DEPENDS ember_make_noise
  COMMENT "Making the flame noise volume")

set(EMBER_FLAME_IMAGE ${EMBER_STAGE_FLAME}/flame.PNG)
add_custom_command(OUTPUT ${EMBER_FLAME_IMAGE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${EMBER_STAGE_FLAME}
  COMMAND ember_make_flame ${EMBER_FLAME_IMAGE}
  DEPENDS ember_make_flame
  COMMENT "Making the flame colour image")

add_executable(ember_make_flame_mesh data/tools/make_flame_mesh.cpp)
set(EMBER_FLAME_MESH ${EMBER_STAGE_FLAME}/flames.x)
add_custom_command(OUTPUT ${EMBER_FLAME_MESH}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${EMBER_STAGE_FLAME}
  COMMAND ember_make_flame_mesh ${EMBER_FLAME_MESH}
  DEPENDS ember_make_flame_mesh
  COMMENT "Writing the flame mesh")

# The effect is written by hand; the build copies it beside the other flame data.
set(EMBER_FLAME_EFFECT ${EMBER_STAGE_FLAME}/Flame_OK.fx)
add_custom_command(OUTPUT ${EMBER_FLAME_EFFECT}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${EMBER_STAGE_FLAME}
  COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/data/flame/Flame_OK.fx ${EMBER_FLAME_EFFECT}
  DEPENDS ${CMAKE_SOURCE_DIR}/data/flame/Flame_OK.fx
  COMMENT "Staging the flame effect")

add_custom_target(ember_data ALL DEPENDS
  ${EMBER_FLAME_MESH} ${EMBER_FLAME_EFFECT}
  ${EMBER_LOGO} ${EMBER_LOADING} ${EMBER_BUTTONS} ${EMBER_CURSOR} ${EMBER_BACKGROUND} ${EMBER_NOISE}
  ${EMBER_FLAME_IMAGE})

add_executable(data_tools_test tests/data_tools_test.cpp)
target_link_libraries(data_tools_test PRIVATE ember_data_tools GTest::gtest_main)
target_compile_definitions(data_tools_test PRIVATE
  EMBER_STAGE_DIR="${EMBER_STAGE_DIR}"
  EMBER_MAKE_NOISE="$<TARGET_FILE:ember_make_noise>"
  EMBER_MAKE_FLAME="$<TARGET_FILE:ember_make_flame>")
add_dependencies(data_tools_test ember_data)
gtest_discover_tests(data_tools_test)
