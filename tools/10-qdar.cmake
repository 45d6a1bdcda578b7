# qdar: the host tool that packs, lists and extracts "QDAR" asset archives.
add_executable(qdar ${CMAKE_CURRENT_LIST_DIR}/qdar.cpp)
target_compile_definitions(qdar PRIVATE QUON_VERSION="${PROJECT_VERSION}")
# It reads archives back through the library's layout header (no link to the library).
target_include_directories(qdar PRIVATE ${PROJECT_SOURCE_DIR}/lib/src)
