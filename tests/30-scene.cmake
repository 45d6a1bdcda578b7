# The scroller and the raster-bar scene, run against a recording stand-in
# for GL and for the library's loads: no context or display needed.
quon_add_gtest(scene_test
  SOURCES scene_scroller_test.cpp scene_scene_test.cpp scene_fake.cpp gl_recorder.cpp
    ${PROJECT_SOURCE_DIR}/src/Scroller.cpp ${PROJECT_SOURCE_DIR}/src/ScrollerSimple.cpp
    ${PROJECT_SOURCE_DIR}/src/Scene.cpp ${PROJECT_SOURCE_DIR}/src/Scene1.cpp
  LABELS unit)
target_include_directories(scene_test PRIVATE
  ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/lib/include)
