# The texture images: file structure, decoding, what the demo relies on, a
# pngcheck pass, and a byte-for-byte remake with artgen.
find_package(PNG REQUIRED)
find_package(ZLIB REQUIRED)
quon_add_gtest(assets_images_test
  SOURCES assets_images_test.cpp
  LIBS quon PNG::PNG ZLIB::ZLIB
  LABELS unit)
add_test(NAME assets_images_pngcheck
  COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/assets_images_pngcheck.sh ${PROJECT_SOURCE_DIR})
if(TARGET artgen)
  add_test(NAME assets_images_regen
    COMMAND sh ${CMAKE_CURRENT_LIST_DIR}/assets_images_regen.sh $<TARGET_FILE:artgen> ${PROJECT_SOURCE_DIR})
endif()
