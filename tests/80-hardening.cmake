# Hardening runs of the whole demo under a private Xvfb:
#  - hostile files: broken "data/ufo.png" and "data/UFO-0.oia" in the
#    directory sources (the Linux archive lacks both); the demo must start,
#    draw every frame and end normally;
#  - memcheck (label "slow", not run by default: several minutes): the demo
#    under Valgrind for 300 frames, no error in the program's own code.
set(_hostile_env
  DEMO=$<TARGET_FILE:demo-linux>
  FRAMECLOCK=$<TARGET_FILE:frameclock>
  SOURCE_DIR=${PROJECT_SOURCE_DIR})
foreach(_case truncated:truncated header:header empty:empty garbage:garbage huge:huge
              oversized:oversized corrupt:corrupt directory:directory garbage:huge:parent)
  string(REPLACE ":" "_" _name "hostile_${_case}")
  add_test(NAME ${_name}
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/demo_xvfb.sh
      ${CMAKE_CURRENT_LIST_DIR}/hostile/hostile_demo_test.sh ${_case})
  set_tests_properties(${_name} PROPERTIES ENVIRONMENT "${_hostile_env}" TIMEOUT 180
    SKIP_RETURN_CODE 77 LABELS "demo;xvfb;hostile")
endforeach()
