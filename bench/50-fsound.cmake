# fsound_bench: CPU time of the sound layer's mixer per second of audio.
find_program(FSOUND_OGGENC oggenc REQUIRED)
add_executable(fsound_bench fsound_bench.cpp)
target_link_libraries(fsound_bench PRIVATE fsound)
target_include_directories(fsound_bench PRIVATE ${PROJECT_SOURCE_DIR}/tests/support)
target_compile_definitions(fsound_bench PRIVATE QUON_RESTART_MS=${QUON_RESTART_MS}
  QUON_SOURCE_DIR="${PROJECT_SOURCE_DIR}" FSOUND_OGGENC="${FSOUND_OGGENC}")
