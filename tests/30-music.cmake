# The music tracks in data/ and their generator.
if(TARGET musicgen)
  quon_add_gtest(music_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/music_test.cpp ${CMAKE_CURRENT_LIST_DIR}/music_vorbis.cpp
    LIBS music)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/music_vorbis.cpp PROPERTIES COMPILE_OPTIONS "-w")
  # The restart positions are read from the programs themselves (restart_ms.py).
  target_compile_definitions(music_test PRIVATE MUSICGEN="$<TARGET_FILE:musicgen>"
    QUON_RESTART_MS_PY="${CMAKE_CURRENT_LIST_DIR}/restart_ms.py"
    QUON_DEMO_LINUX="$<TARGET_FILE:demo-linux>" QUON_DEMO_WIN32="${QUON_WIN32_EXE}")
  add_dependencies(music_test musicgen demo-linux)
endif()
