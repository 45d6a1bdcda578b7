# The Windows program, cross-built separately (scripts/test.sh builds it into build-win32 and
# passes its path as QUON_WIN32_EXE): its imports, and its runs under Wine.
if(QUON_WIN32_EXE)
  set(_w ${CMAKE_CURRENT_LIST_DIR}/win32)
  add_test(NAME win32_imports COMMAND ${_w}/imports_test.sh ${QUON_WIN32_EXE})
  add_test(NAME win32_wine_run COMMAND ${_w}/wine_demo_test.sh ${QUON_WIN32_EXE} run)
  add_test(NAME win32_wine_badmode COMMAND ${_w}/wine_demo_test.sh ${QUON_WIN32_EXE} badmode)
  set_tests_properties(win32_imports win32_wine_run win32_wine_badmode PROPERTIES
    SKIP_RETURN_CODE 77 LABELS "win32" RUN_SERIAL TRUE)
  get_filename_component(_wdir ${QUON_WIN32_EXE} DIRECTORY)
  add_test(NAME win32_archive_layout
    COMMAND ${_w}/archive_test.sh $<TARGET_FILE:qdar> ${_wdir}/win32.qdar)
  set_tests_properties(win32_archive_layout PROPERTIES SKIP_RETURN_CODE 77 LABELS "win32")
endif()
