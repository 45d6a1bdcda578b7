# Unit tests of the library core (context, archive, memory files, meshes,
# fonts) and of the archive tool.
set(_lib ${PROJECT_SOURCE_DIR}/lib/src)

quon_add_gtest(lib_core_test
  SOURCES lib_context_test.cpp lib_archive_test.cpp lib_memfile_test.cpp lib_oia_test.cpp
  LIBS quon LABELS unit)

# The font unit with the recording stand-in for GL, so it runs without a display.
quon_add_gtest(lib_font_test
  SOURCES lib_font_test.cpp gl_recorder.cpp ${_lib}/font.cpp ${_lib}/ql.cpp ${_lib}/quonlib.cpp
    ${_lib}/data.cpp ${_lib}/memfile.cpp
  LABELS unit)
target_include_directories(lib_font_test PRIVATE ${PROJECT_SOURCE_DIR}/lib/include)

include(QuonArchive)
quon_add_gtest(lib_qdar_test SOURCES lib_qdar_test.cpp LIBS quon LABELS unit)
target_compile_definitions(lib_qdar_test PRIVATE QDAR_EXE="$<TARGET_FILE:qdar>")
add_dependencies(lib_qdar_test qdar)
# Its manifest lists a file that does not exist, on purpose.
quon_add_archive(lib_qdar_test ${QUON_TEST_DATA}/lib/linked.manifest qdar ALLOW_MISSING)
add_test(NAME qdar_version COMMAND qdar --version)
set_tests_properties(qdar_version PROPERTIES PASS_REGULAR_EXPRESSION "^qdar ${PROJECT_VERSION}\n$"
  LABELS unit)
