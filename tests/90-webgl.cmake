# quongl, the web build's GL 1.1 layer, on the desktop against a recording back end.
quon_add_gtest(webgl_layer_test ${CMAKE_CURRENT_LIST_DIR}/webgl_layer_test.cpp
  ${PROJECT_SOURCE_DIR}/web/gl/quongl.cpp)
target_include_directories(webgl_layer_test PRIVATE ${PROJECT_SOURCE_DIR}/web/gl)
