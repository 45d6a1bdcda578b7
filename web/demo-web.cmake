# demo-web: the demo as a WebAssembly module with its page, in web/ of the
# build folder (index.html, its poster poster.webp, its loader quon-load.js,
# its audio worklet quon-audio.js, quon.js, quon.wasm and the inflater
# pako_inflate.min.js), servable by any static server from any folder.
# Included by src/CMakeLists.txt in the web build: the demo with the program's
# entry point and the page's window layer (page.cpp, with its clock and
# frame-rate measurement).
if(NOT QUON_QDAR)
  message(FATAL_ERROR "Set QUON_QDAR to a native qdar packer (build the Linux tree first)")
endif()
set(QUON_WEB_DIR ${CMAKE_BINARY_DIR}/web)
add_executable(demo-web ${PROJECT_SOURCE_DIR}/web/page.cpp)
target_link_libraries(demo-web PRIVATE demo_entry demo quongl)
set_target_properties(demo-web PROPERTIES OUTPUT_NAME quon SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${QUON_WEB_DIR})
# No JavaScript libraries but the core: a GL call that quongl lacks cannot be
# taken from the compiler's own WebGL bindings and fails to link.
target_link_options(demo-web PRIVATE
  -sENVIRONMENT=web -sALLOW_MEMORY_GROWTH=1 -sAUTO_JS_LIBRARIES=0
  -sEXPORTED_FUNCTIONS=_main,_malloc
  -sEXPORTED_RUNTIME_METHODS=callMain)
# The inflater goes beside the module as it is: the compiler's JavaScript
# optimiser would rewrite it.
configure_file(${QUON_PAKO_INFLATE} ${QUON_WEB_DIR}/pako_inflate.min.js COPYONLY)
quon_add_archive(demo-web ${QUON_DATA_DIR}/full.manifest ${QUON_QDAR})
# The page carries quon.wasm's size for its progress, so it is written after the link.
add_custom_command(OUTPUT ${QUON_WEB_DIR}/index.html
  COMMAND ${CMAKE_COMMAND} -DPAGE=${PROJECT_SOURCE_DIR}/web/index.html
    -DWASM=${QUON_WEB_DIR}/quon.wasm -DOUT=${QUON_WEB_DIR}/index.html
    -P ${PROJECT_SOURCE_DIR}/web/page.cmake
  DEPENDS demo-web ${PROJECT_SOURCE_DIR}/web/index.html ${PROJECT_SOURCE_DIR}/web/page.cmake
  COMMENT "Writing the page with quon.wasm's size" VERBATIM)
add_custom_target(demo-web-page ALL DEPENDS ${QUON_WEB_DIR}/index.html)
configure_file(${PROJECT_SOURCE_DIR}/web/poster.webp ${QUON_WEB_DIR}/poster.webp COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/web/quon-audio.js ${QUON_WEB_DIR}/quon-audio.js COPYONLY)
configure_file(${PROJECT_SOURCE_DIR}/web/quon-load.js ${QUON_WEB_DIR}/quon-load.js COPYONLY)
