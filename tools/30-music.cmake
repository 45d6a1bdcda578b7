# musicgen: the demo's music, composed and synthesised here and encoded with
# libvorbisenc into data/tune.ogg and data/tune-win32.ogg.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VORBISENC REQUIRED IMPORTED_TARGET vorbisenc vorbis ogg)
add_library(music STATIC
  ${CMAKE_CURRENT_LIST_DIR}/music/dsp.cpp
  ${CMAKE_CURRENT_LIST_DIR}/music/synth.cpp
  ${CMAKE_CURRENT_LIST_DIR}/music/song.cpp
  ${CMAKE_CURRENT_LIST_DIR}/music/oggfit.cpp)
target_include_directories(music PUBLIC ${CMAKE_CURRENT_LIST_DIR}/music)
target_link_libraries(music PUBLIC PkgConfig::VORBISENC)
# The same bits on every build: no fused multiply-add contraction. Optimised in
# every configuration, so that the regeneration test stays quick in Debug and
# sanitizer builds too (the output does not depend on the optimisation level).
target_compile_options(music PRIVATE -ffp-contract=off -O2)
add_executable(musicgen ${CMAKE_CURRENT_LIST_DIR}/music/main.cpp)
target_link_libraries(musicgen PRIVATE music)
