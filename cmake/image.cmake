# Image codecs and pixel operations of the D3DX stand-in, and their tests.
get_filename_component(EMBER_IMAGE_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
set(EMBER_IMAGE_SOURCES
  ${EMBER_IMAGE_ROOT}/runtime/d3dx9/image_load.cpp
  ${EMBER_IMAGE_ROOT}/runtime/d3dx9/image_png.cpp
  ${EMBER_IMAGE_ROOT}/runtime/d3dx9/image_jpeg.cpp
  ${EMBER_IMAGE_ROOT}/runtime/d3dx9/image_bmp.cpp
  ${EMBER_IMAGE_ROOT}/runtime/d3dx9/image_dds.cpp
  ${EMBER_IMAGE_ROOT}/runtime/d3dx9/image_ops.cpp
  ${EMBER_IMAGE_ROOT}/runtime/d3dx9/image_bmp_writer.cpp
)
set(EMBER_IMAGE_LIBS PNG::PNG JPEG::JPEG ZLIB::ZLIB)

add_library(ember_image STATIC ${EMBER_IMAGE_SOURCES})
target_include_directories(ember_image PUBLIC ${EMBER_IMAGE_ROOT})
target_link_libraries(ember_image PUBLIC ${EMBER_IMAGE_LIBS})

set(EMBER_IMAGE_TEST_SOURCES
  ${EMBER_IMAGE_ROOT}/tests/image_test.cpp
  ${EMBER_IMAGE_ROOT}/tests/image_png_test.cpp
  ${EMBER_IMAGE_ROOT}/tests/image_jpeg_test.cpp
  ${EMBER_IMAGE_ROOT}/tests/image_bmp_test.cpp
  ${EMBER_IMAGE_ROOT}/tests/image_dds_test.cpp
  ${EMBER_IMAGE_ROOT}/tests/image_ops_test.cpp
  ${EMBER_IMAGE_ROOT}/tests/image_bmp_writer_test.cpp
)

add_executable(image_test ${EMBER_IMAGE_TEST_SOURCES})
target_link_libraries(image_test PRIVATE ember_image GTest::gtest_main)
gtest_discover_tests(image_test)
