# The PNG decoder and images: conformance against libpng's decode, edge
# cases, and (with a display of its own) the texture upload.
find_package(PNG REQUIRED)
quon_add_gtest(png_test
  SOURCES png_decoder_test.cpp png_image_test.cpp
  LIBS quon PNG::PNG
  LABELS unit)

set(_util ${PROJECT_SOURCE_DIR}/src/util.cpp)
if(EXISTS ${_util})
  find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
  find_package(X11 REQUIRED)
  quon_add_gtest(png_texture_test
    SOURCES png_texture_test.cpp ${_util}
    LIBS quon PNG::PNG OpenGL::GL OpenGL::GLX X11::X11
    LABELS display)
  target_include_directories(png_texture_test PRIVATE ${PROJECT_SOURCE_DIR}/src)
endif()
