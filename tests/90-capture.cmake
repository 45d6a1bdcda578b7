# demo-capture: its files decoded with ffmpeg/ffprobe, with no display; and
# its frames against the running demo's, under a private Xvfb. Also the sound
# layer's choice of output that the capture makes.
quon_add_gtest(fsound_output_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/fsound_output_test.cpp
  LIBS fsound LABELS unit)
if(TARGET demo-capture)
  find_package(PNG REQUIRED)
  add_executable(capture_test ${CMAKE_CURRENT_LIST_DIR}/capture_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/music_vorbis.cpp)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/music_vorbis.cpp PROPERTIES COMPILE_OPTIONS "-w")
  target_link_libraries(capture_test PRIVATE GTest::gtest GTest::gtest_main PNG::PNG)
  add_dependencies(capture_test demo-capture demo-linux frameclock)
  set(_capture_env CAPTURE=$<TARGET_FILE:demo-capture> DEMO=$<TARGET_FILE:demo-linux>
    FRAMECLOCK=$<TARGET_FILE:frameclock> SOURCE_DIR=${PROJECT_SOURCE_DIR})
  add_test(NAME capture COMMAND capture_test --gtest_filter=Capture.*)
  add_test(NAME capture_frames
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/demo_xvfb.sh $<TARGET_FILE:capture_test>
            --gtest_filter=CaptureFrames.*)
  set_tests_properties(capture capture_frames PROPERTIES ENVIRONMENT "${_capture_env}"
    TIMEOUT 240 SKIP_RETURN_CODE 77 LABELS "capture")
  set_tests_properties(capture_frames PROPERTIES LABELS "capture;xvfb")
endif()
