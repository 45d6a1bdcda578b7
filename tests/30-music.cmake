# The music tracks in data/ and their generator.
if(TARGET musicgen)
  quon_add_gtest(music_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/music_test.cpp ${CMAKE_CURRENT_LIST_DIR}/music_vorbis.cpp
    LIBS music)
  set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/music_vorbis.cpp PROPERTIES COMPILE_OPTIONS "-w")
  target_compile_definitions(music_test PRIVATE MUSICGEN="$<TARGET_FILE:musicgen>")
  add_dependencies(music_test musicgen)
endif()
