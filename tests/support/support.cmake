# Shared test set-up, included before the unit folders.
#
# quon_add_gtest(NAME SOURCES... [LIBS ...] [LABELS ...] [DATA DIR]) builds a
# GoogleTest program from sources of the calling folder and registers it with
# CTest; DATA is the folder the test reads through QUON_TEST_DATA.
find_package(GTest REQUIRED)
find_package(X11 REQUIRED)
find_package(PNG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
include(GoogleTest)
include(QuonArchive)

set(QUON_TEST_SUPPORT ${CMAKE_CURRENT_LIST_DIR})
# One script starts a private Xvfb for every test that needs a display.
set(QUON_XVFB ${PROJECT_SOURCE_DIR}/scripts/xvfb.sh)

function(quon_add_gtest name)
  cmake_parse_arguments(T "" "DATA" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main ${T_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/lib/src
    ${CMAKE_CURRENT_SOURCE_DIR} ${QUON_TEST_SUPPORT})
  if(T_DATA)
    target_compile_definitions(${name} PRIVATE QUON_TEST_DATA="${T_DATA}")
  endif()
  target_compile_definitions(${name} PRIVATE
    QUON_SOURCE_DIR="${PROJECT_SOURCE_DIR}" QUON_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR} PROPERTIES LABELS "${T_LABELS}")
endfunction()

# Stand-ins and helpers that several tests link, compiled once. A test links
# a stand-in in place of the real thing, never beside it: the recording OpenGL
# in place of OpenGL, the scene's loads in place of the library's and the
# texture upload (demo_texture), the font's prints in place of the library's font.
add_library(gl_recorder OBJECT ${QUON_TEST_SUPPORT}/gl_recorder.cpp)    # the recording OpenGL
add_library(scene_fake OBJECT ${QUON_TEST_SUPPORT}/scene_fake.cpp)      # the scene's loads
add_library(font_fake OBJECT ${QUON_TEST_SUPPORT}/font_fake.cpp)        # the font's prints
add_library(music_vorbis OBJECT ${QUON_TEST_SUPPORT}/music_vorbis.cpp)  # decoding the tracks
target_compile_options(music_vorbis PRIVATE -w)  # the decoder's own source, as it is
foreach(_support gl_recorder scene_fake font_fake music_vorbis)
  target_include_directories(${_support} PUBLIC ${QUON_TEST_SUPPORT})
  target_link_libraries(${_support} PRIVATE demo_headers)  # the demo's and the library's headers
endforeach()

# The frame clock: preloaded into the demo, it fixes the clock's step,
# captures frames before the swap and can make the window or context fail.
add_library(frameclock SHARED ${QUON_TEST_SUPPORT}/frameclock/frameclock.c)
target_include_directories(frameclock PRIVATE ${PROJECT_SOURCE_DIR}/src)  # stepclock.h
target_link_libraries(frameclock PRIVATE OpenGL::GL OpenGL::GLX X11::X11 PNG::PNG ${CMAKE_DL_LIBS})
# The library lives in another process's address space; no sanitizer runtime there.
target_compile_options(frameclock PRIVATE -fno-sanitize=all)
target_link_options(frameclock PRIVATE -fno-sanitize=all)

# Runs a program where the getrandom system call fails (the release's tests).
add_executable(no_getrandom ${QUON_TEST_SUPPORT}/no_getrandom.c)

# A small X client that sends the demo keys and close requests.
add_executable(demo_xclient ${QUON_TEST_SUPPORT}/demo_xclient.c)
target_link_libraries(demo_xclient PRIVATE X11::X11)

# What the scripts that run the whole demo are told.
set(QUON_DEMO_ENV
  DEMO=$<TARGET_FILE:demo-linux>
  FRAMECLOCK=$<TARGET_FILE:frameclock>
  XCLIENT=$<TARGET_FILE:demo_xclient>
  SOURCE_DIR=${PROJECT_SOURCE_DIR})
