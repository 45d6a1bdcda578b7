# The demo's texture images: artgen draws them and writes them at their exact lengths.
add_executable(artgen
  ${CMAKE_CURRENT_LIST_DIR}/art/artgen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/art/art.cpp
  ${CMAKE_CURRENT_LIST_DIR}/art/raster.cpp
  ${CMAKE_CURRENT_LIST_DIR}/art/logo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/art/carpet.cpp
  ${CMAKE_CURRENT_LIST_DIR}/art/cheese.cpp
  ${CMAKE_CURRENT_LIST_DIR}/art/ufo.cpp)
target_link_libraries(artgen PRIVATE tools_common)

# The program's icon in any size, from the logo's drawing (made at build time
# for the installed desktop entry: packaging/CMakeLists.txt).
add_executable(icongen ${CMAKE_CURRENT_LIST_DIR}/art/icongen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/art/art.cpp ${CMAKE_CURRENT_LIST_DIR}/art/logo.cpp)
target_link_libraries(icongen PRIVATE tools_common)
