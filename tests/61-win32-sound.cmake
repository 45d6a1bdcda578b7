# The Windows program's sound under Wine: WinMM through Wine's ALSA driver into
# a private ALSA file device, compared with the decoded track.
if(QUON_WIN32_EXE)
  add_executable(wine_sound_test ${CMAKE_CURRENT_LIST_DIR}/win32/wine_sound_test.cpp)
  target_link_libraries(wine_sound_test PRIVATE GTest::gtest GTest::gtest_main fsound)
  target_include_directories(wine_sound_test PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  find_program(_oggenc oggenc REQUIRED)
  target_compile_definitions(wine_sound_test PRIVATE QUON_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    FSOUND_OGGENC="${_oggenc}"
    QUON_WIN32_EXE="${QUON_WIN32_EXE}"
    WINE_SOUND_RUN="${CMAKE_CURRENT_LIST_DIR}/win32/wine_sound_run.sh")
  add_test(NAME win32_wine_sound COMMAND wine_sound_test)
  set_tests_properties(win32_wine_sound PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180
    LABELS "win32" RUN_SERIAL TRUE)
endif()
