# The installed package works for a consumer project (a plain build only: the consumer is
# built without sanitizers).
if(NOT QUON_SANITIZE)
  add_test(NAME install_consumer COMMAND ${CMAKE_CURRENT_LIST_DIR}/consumer/install_test.sh
    ${PROJECT_BINARY_DIR} ${CMAKE_CURRENT_LIST_DIR}/consumer ${PROJECT_BINARY_DIR}/src/linux.qdar)
  set_tests_properties(install_consumer PROPERTIES LABELS "install" RUN_SERIAL TRUE)
endif()
