# demo-capture's speed against real time and the running demo's frame rate:
# run bench/capture.sh (or build the target bench-capture); perf.sh runs it too.
if(TARGET demo-capture)
  add_custom_target(bench-capture
    COMMAND ${CMAKE_COMMAND} -E env BUILD=${PROJECT_BINARY_DIR} ${CMAKE_CURRENT_LIST_DIR}/capture.sh
    DEPENDS demo-capture demo-linux perf-launch perfshim
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    USES_TERMINAL)
endif()
