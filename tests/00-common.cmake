# Shared test set-up. quon_add_gtest(NAME SOURCES... [LIBS ...] [LABELS ...])
# builds a GoogleTest program and registers it with CTest.
find_package(GTest REQUIRED)
include(GoogleTest)
set(QUON_TEST_DATA ${CMAKE_CURRENT_LIST_DIR}/data)
function(quon_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main ${T_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/lib/src ${CMAKE_CURRENT_LIST_DIR})
  target_compile_definitions(${name} PRIVATE
    QUON_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QUON_TEST_DATA="${QUON_TEST_DATA}"
    QUON_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} PROPERTIES LABELS "${T_LABELS}")
endfunction()
