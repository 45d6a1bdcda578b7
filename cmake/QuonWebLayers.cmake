# quon_web_layers()
# What the web build's GL layer needs around it, whichever it is (quongl,
# web/gl/, or the benchmark's peer, bench/webgl_peer/), called after the
# target quongl is made: uncompress through the page's inflater
# (quon_web_zlib), the package redirects through which the library's
# find_package(OpenGL) and find_package(ZLIB) find the two, the inflater's
# script (QUON_PAKO_INFLATE, copied beside the module), and the two in the
# library's CMake package, which lists what it links.
function(quon_web_layers)
  add_library(quon_web_zlib STATIC ${PROJECT_SOURCE_DIR}/web/zlib/uncompress.cpp)
  target_include_directories(quon_web_zlib PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}/web/zlib>)

  file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/opengl-config.cmake
    "if(NOT TARGET OpenGL::GL)\n  add_library(OpenGL::GL ALIAS quongl)\nendif()\n")
  file(WRITE ${CMAKE_FIND_PACKAGE_REDIRECTS_DIR}/zlib-config.cmake
    "if(NOT TARGET ZLIB::ZLIB)\n  add_library(ZLIB::ZLIB ALIAS quon_web_zlib)\nendif()\n")

  find_file(QUON_PAKO_INFLATE NAMES pako_inflate.min.js PATHS /usr/share/nodejs/pako/dist
    NO_CMAKE_FIND_ROOT_PATH REQUIRED)

  install(TARGETS quongl quon_web_zlib EXPORT quonTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT dev)
endfunction()
