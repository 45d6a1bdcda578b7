# Start-up, frame-rate and memory figures of demo-linux beside a bare GLX
# program, with the mixer and PNG benchmarks: run bench/perf.sh (or build the
# target bench-perf). perfshim is preloaded into both programs to stamp the
# moments that the script compares; perf-launch stamps the exec.
find_package(X11 REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)

add_executable(bare-glx ${CMAKE_CURRENT_LIST_DIR}/startup/bare_glx.cpp)
target_link_libraries(bare-glx PRIVATE OpenGL::GL OpenGL::GLX X11::X11)

add_executable(perf-launch ${CMAKE_CURRENT_LIST_DIR}/startup/launch.c)

add_library(perfshim SHARED ${CMAKE_CURRENT_LIST_DIR}/startup/perfshim.c)
target_link_libraries(perfshim PRIVATE X11::X11 ${CMAKE_DL_LIBS})
# Preloaded into other programs: no sanitizer runtime of its own.
target_compile_options(perfshim PRIVATE -fno-sanitize=all)
target_link_options(perfshim PRIVATE -fno-sanitize=all)

add_custom_target(bench-perf
  COMMAND ${CMAKE_COMMAND} -E env BUILD=${PROJECT_BINARY_DIR}
    ${CMAKE_CURRENT_LIST_DIR}/perf.sh
  DEPENDS demo-linux bare-glx perf-launch perfshim png_bench fsound_bench
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  USES_TERMINAL)

# The shim replaces malloc: no test of it under a sanitizer's own allocator.
if(QUON_TESTS AND NOT QUON_SANITIZE)
  add_test(NAME perfshim_records
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/xvfb.sh ${CMAKE_CURRENT_LIST_DIR}/startup/shim_test.sh)
  set_tests_properties(perfshim_records PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77
    LABELS "bench;xvfb"
    ENVIRONMENT "DEMO=$<TARGET_FILE:demo-linux>;BARE=$<TARGET_FILE:bare-glx>;LAUNCH=$<TARGET_FILE:perf-launch>;SHIM=$<TARGET_FILE:perfshim>;SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endif()
