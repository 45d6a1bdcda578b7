# Hostile inputs to the library: special files in directory sources, every
# allocation of an image's load, conversion and upload failing in turn, and
# images too large for the record.
find_package(PNG REQUIRED)
quon_add_gtest(lib_hostile_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/faults/lib_special_files_test.cpp
          ${CMAKE_CURRENT_LIST_DIR}/faults/png_header_test.cpp
  LIBS quon PNG::PNG LABELS unit)

set(_util ${PROJECT_SOURCE_DIR}/src/util.cpp)
if(EXISTS ${_util})
  # The library's malloc and calloc calls go through the test's counting
  # versions; GL is four recording functions of the test's own.
  quon_add_gtest(image_alloc_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/faults/image_alloc_test.cpp ${_util}
    LIBS quon PNG::PNG LABELS unit)
  target_include_directories(image_alloc_test PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_options(image_alloc_test PRIVATE -Wl,--wrap=malloc -Wl,--wrap=calloc)
endif()

# The whole demo with a named pipe or a device where its directory sources
# are searched: it must start as for missing files (hostile_demo_test.sh).
if(TARGET demo-linux)
  foreach(_case fifo:fifo device:device)
    string(REPLACE ":" "_" _name "hostile_${_case}")
    add_test(NAME ${_name}
      COMMAND ${CMAKE_CURRENT_LIST_DIR}/demo_xvfb.sh
        ${CMAKE_CURRENT_LIST_DIR}/hostile/hostile_demo_test.sh ${_case})
    set_tests_properties(${_name} PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77
      LABELS "demo;xvfb;hostile" ENVIRONMENT
      "DEMO=$<TARGET_FILE:demo-linux>;FRAMECLOCK=$<TARGET_FILE:frameclock>;SOURCE_DIR=${PROJECT_SOURCE_DIR}")
  endforeach()
endif()

# A soak of 200000 frames at 1 ms steps (label "slow": minutes; skipped
# unless QUON_SLOW=1): status 0, flat resident memory, still moving.
if(TARGET demo-linux)
  add_test(NAME demo_soak
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/demo_xvfb.sh ${CMAKE_CURRENT_LIST_DIR}/soak/soak_demo.sh)
  set_tests_properties(demo_soak PROPERTIES TIMEOUT 3600 SKIP_RETURN_CODE 77
    LABELS "slow;demo;xvfb" ENVIRONMENT
    "DEMO=$<TARGET_FILE:demo-linux>;FRAMECLOCK=$<TARGET_FILE:frameclock>;SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endif()

# The demo's frame counters near 2^31.
quon_add_gtest(frame_count_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/faults/frame_count_test.cpp LABELS unit)
target_include_directories(frame_count_test PRIVATE ${PROJECT_SOURCE_DIR}/src
  ${PROJECT_SOURCE_DIR}/lib/include)
