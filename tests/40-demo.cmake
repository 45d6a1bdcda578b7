# The demo program under a private Xvfb: its window, quit keys, close
# request, resizes, start without a display, and its frames as pictures
# (through a preloaded library that fixes the clock and captures frames).
find_package(X11 REQUIRED)
find_package(PNG REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)

add_library(frameclock SHARED ${CMAKE_CURRENT_LIST_DIR}/frameclock/frameclock.c)
target_link_libraries(frameclock PRIVATE OpenGL::GL OpenGL::GLX X11::X11 PNG::PNG ${CMAKE_DL_LIBS})
# The library lives in another process's address space; no sanitizer runtime there.
target_compile_options(frameclock PRIVATE -fno-sanitize=all)
target_link_options(frameclock PRIVATE -fno-sanitize=all)

add_executable(demo_xclient ${CMAKE_CURRENT_LIST_DIR}/demo_xclient.c)
target_link_libraries(demo_xclient PRIVATE X11::X11)

set(_demo_xvfb ${CMAKE_CURRENT_LIST_DIR}/demo_xvfb.sh)
set(_demo_env
  DEMO=$<TARGET_FILE:demo-linux>
  FRAMECLOCK=$<TARGET_FILE:frameclock>
  XCLIENT=$<TARGET_FILE:demo_xclient>
  SOURCE_DIR=${PROJECT_SOURCE_DIR})

foreach(_case window key:q key:Q key:Escape key:ctrl+c delete destroy resize resize-next-frame
              glx-create glx-makecurrent nodisplay noglx)
  string(REGEX REPLACE "[-:+]" "_" _name "demo_${_case}")
  if(_case STREQUAL "nodisplay")
    add_test(NAME ${_name} COMMAND ${CMAKE_CURRENT_LIST_DIR}/demo_window_test.sh ${_case})
  elseif(_case STREQUAL "noglx")
    add_test(NAME ${_name}
      COMMAND ${_demo_xvfb} --no-glx ${CMAKE_CURRENT_LIST_DIR}/demo_window_test.sh ${_case})
  else()
    add_test(NAME ${_name}
      COMMAND ${_demo_xvfb} ${CMAKE_CURRENT_LIST_DIR}/demo_window_test.sh ${_case})
  endif()
  set_tests_properties(${_name} PROPERTIES ENVIRONMENT "${_demo_env}" TIMEOUT 120
    SKIP_RETURN_CODE 77 LABELS "demo;xvfb")
endforeach()

# Frame checks: the program's captured frames against what the drawing computes.
add_executable(demo_frames_test ${CMAKE_CURRENT_LIST_DIR}/demo_frames_test.cpp)
target_link_libraries(demo_frames_test PRIVATE GTest::gtest GTest::gtest_main PNG::PNG)
add_dependencies(demo_frames_test demo-linux frameclock)
add_test(NAME demo_frames COMMAND ${_demo_xvfb} $<TARGET_FILE:demo_frames_test>)
set_tests_properties(demo_frames PROPERTIES ENVIRONMENT "${_demo_env}" TIMEOUT 180
  SKIP_RETURN_CODE 77 LABELS "demo;xvfb")

# The effect drawing and texture upload against a recording OpenGL.
quon_add_gtest(demo_effects_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/demo_effects_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/gl_recorder.cpp ${CMAKE_CURRENT_LIST_DIR}/font_fake.cpp
          ${PROJECT_SOURCE_DIR}/src/effects.cpp ${PROJECT_SOURCE_DIR}/src/util.cpp
  LABELS demo)
target_include_directories(demo_effects_test PRIVATE ${PROJECT_SOURCE_DIR}/src
  ${PROJECT_SOURCE_DIR}/lib/include)

# The archive linked into the program: the published table, read from the program's own bytes.
add_test(NAME demo_linked_archive
  COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/assets_linked_archive.py $<TARGET_FILE:demo-linux> linux)
set_tests_properties(demo_linked_archive PROPERTIES LABELS "demo")

# The frame function with the real effects, scene and scroller, against the recording OpenGL.
quon_add_gtest(demo_run_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/demo_run_test.cpp ${PROJECT_SOURCE_DIR}/src/main.cpp
          ${CMAKE_CURRENT_LIST_DIR}/gl_recorder.cpp ${CMAKE_CURRENT_LIST_DIR}/font_fake.cpp
          ${CMAKE_CURRENT_LIST_DIR}/scene_fake.cpp ${PROJECT_SOURCE_DIR}/src/effects.cpp
          ${PROJECT_SOURCE_DIR}/src/Scene.cpp ${PROJECT_SOURCE_DIR}/src/Scene1.cpp
          ${PROJECT_SOURCE_DIR}/src/Scroller.cpp ${PROJECT_SOURCE_DIR}/src/ScrollerSimple.cpp
  LABELS demo)
target_include_directories(demo_run_test PRIVATE ${PROJECT_SOURCE_DIR}/src
  ${PROJECT_SOURCE_DIR}/lib/include)
# The program's own main is not the test's.
set_source_files_properties(${PROJECT_SOURCE_DIR}/src/main.cpp TARGET_DIRECTORY demo_run_test
  PROPERTIES COMPILE_DEFINITIONS main=demoMain)
