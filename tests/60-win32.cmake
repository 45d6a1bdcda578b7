# The Windows program, cross-built separately (scripts/test.sh builds it into build-win32 and
# passes its path as QUON_WIN32_EXE): its imports, and its runs under Wine.
if(QUON_WIN32_EXE)
  set(_w ${CMAKE_CURRENT_LIST_DIR}/win32)
  add_test(NAME win32_imports COMMAND ${_w}/imports_test.sh ${QUON_WIN32_EXE})
  set(_xvfb ${CMAKE_CURRENT_LIST_DIR}/demo_xvfb.sh)
  add_test(NAME win32_wine_run COMMAND ${_xvfb} ${_w}/wine_demo_test.sh ${QUON_WIN32_EXE} run)
  add_test(NAME win32_wine_badmode
    COMMAND ${_xvfb} --screen 800x600x24 ${_w}/wine_demo_test.sh ${QUON_WIN32_EXE} badmode)
  set_tests_properties(win32_imports win32_wine_run win32_wine_badmode PROPERTIES
    SKIP_RETURN_CODE 77 LABELS "win32" RUN_SERIAL TRUE)
  # The archive linked into the program: the published table, from the program's own bytes.
  add_test(NAME win32_archive_layout
    COMMAND python3 ${CMAKE_CURRENT_LIST_DIR}/assets_linked_archive.py ${QUON_WIN32_EXE} win32)
  set_tests_properties(win32_archive_layout PROPERTIES LABELS "win32")
endif()
