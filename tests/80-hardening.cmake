# Hardening runs of the whole demo under a private Xvfb:
#  - hostile files: broken "data/ufo.png" and "data/UFO-0.oia" in the
#    directory sources (the Linux archive lacks both); the demo must start,
#    draw every frame and end normally;
#  - 300 frames of the whole demo: under Valgrind memcheck (label "slow":
#    it takes minutes and skips itself unless QUON_SLOW=1 is set), or, in a
#    sanitizer build, as it is with AddressSanitizer and UBSan watching.
set(_demo_env_80
  DEMO=$<TARGET_FILE:demo-linux>
  FRAMECLOCK=$<TARGET_FILE:frameclock>
  SOURCE_DIR=${PROJECT_SOURCE_DIR})
foreach(_case truncated:truncated header:header empty:empty garbage:garbage huge:huge
              oversized:oversized corrupt:corrupt directory:directory garbage:huge:parent)
  string(REPLACE ":" "_" _name "hostile_${_case}")
  add_test(NAME ${_name}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/demo_xvfb.sh
      ${CMAKE_CURRENT_LIST_DIR}/hostile/hostile_demo_test.sh ${_case})
  set_tests_properties(${_name} PROPERTIES ENVIRONMENT "${_demo_env_80}" TIMEOUT 180
    SKIP_RETURN_CODE 77 LABELS "demo;xvfb;hostile")
endforeach()

if(QUON_SANITIZE)
  set(_mode sanitized)
  set(_labels "demo;xvfb")
else()
  set(_mode memcheck)
  set(_labels "slow;demo;xvfb")
endif()
add_test(NAME demo_${_mode}_frames
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/demo_xvfb.sh
    ${CMAKE_CURRENT_LIST_DIR}/memcheck/memcheck_demo.sh ${_mode})
set_tests_properties(demo_${_mode}_frames PROPERTIES ENVIRONMENT "${_demo_env_80}"
  TIMEOUT 3600 SKIP_RETURN_CODE 77 LABELS "${_labels}")
