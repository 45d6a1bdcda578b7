# The FSOUND sound layer and the demo's music. Test tracks are encoded at test
# time with oggenc (vorbis-tools).
find_program(FSOUND_OGGENC oggenc REQUIRED)
set(_fsound_defs FSOUND_OGGENC="${FSOUND_OGGENC}")

quon_add_gtest(fsound_test
  SOURCES fsound_layer_test.cpp fsound_music_test.cpp ${PROJECT_SOURCE_DIR}/src/music.cpp
  LIBS fsound quon
  LABELS unit)
target_compile_definitions(fsound_test PRIVATE ${_fsound_defs} QUON_RESTART_MS=1234)
target_include_directories(fsound_test PRIVATE ${PROJECT_SOURCE_DIR}/src)

quon_add_gtest(fsound_stress_test SOURCES fsound_stress_test.cpp LIBS fsound LABELS stress)
target_compile_definitions(fsound_stress_test PRIVATE ${_fsound_defs})

# The stress tests again, layer included, under ThreadSanitizer (not with the
# ASan build, which cannot be combined with it).
if(NOT QUON_SANITIZE)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_FLAGS -fsanitize=thread)
  set(CMAKE_REQUIRED_LINK_OPTIONS -fsanitize=thread)
  check_cxx_source_compiles("int main() { return 0; }" FSOUND_HAVE_TSAN)
  unset(CMAKE_REQUIRED_FLAGS)
  unset(CMAKE_REQUIRED_LINK_OPTIONS)
  find_package(ALSA REQUIRED)
  find_package(Threads REQUIRED)
  if(FSOUND_HAVE_TSAN)
    # The decoder (single-threaded, always called under the mixer's lock) is
    # left uninstrumented: it is most of the run time and none of the races.
    file(GLOB _fsound_sources ${PROJECT_SOURCE_DIR}/fsound/*.cpp)
    list(FILTER _fsound_sources EXCLUDE REGEX "/decoder\\.cpp$")
    add_library(fsound_decoder_plain OBJECT ${PROJECT_SOURCE_DIR}/fsound/decoder.cpp)
    quon_add_gtest(fsound_stress_tsan SOURCES fsound_stress_test.cpp ${_fsound_sources}
      $<TARGET_OBJECTS:fsound_decoder_plain> LIBS ALSA::ALSA Threads::Threads LABELS stress)
    target_include_directories(fsound_stress_tsan PRIVATE ${PROJECT_SOURCE_DIR}/fsound)
    target_compile_definitions(fsound_stress_tsan PRIVATE ${_fsound_defs})
    target_compile_options(fsound_stress_tsan PRIVATE -fsanitize=thread -O1 -g)
    target_link_options(fsound_stress_tsan PRIVATE -fsanitize=thread)
  endif()
endif()

# The demo's sound: the program under a private Xvfb, its sound written to a
# WAV file by the layer's test output.
if(TARGET demo-linux)
  add_executable(fsound_demo_test fsound_demo_test.cpp)
  target_link_libraries(fsound_demo_test PRIVATE GTest::gtest GTest::gtest_main fsound)
  target_compile_definitions(fsound_demo_test PRIVATE ${_fsound_defs}
    QUON_SOURCE_DIR="${PROJECT_SOURCE_DIR}" FSOUND_DEMO="$<TARGET_FILE:demo-linux>")
  add_dependencies(fsound_demo_test demo-linux)
  add_test(NAME fsound_demo COMMAND ${CMAKE_CURRENT_LIST_DIR}/demo_xvfb.sh
    $<TARGET_FILE:fsound_demo_test>)
  set_tests_properties(fsound_demo PROPERTIES TIMEOUT 120 SKIP_RETURN_CODE 77
    LABELS "demo;xvfb")
endif()
