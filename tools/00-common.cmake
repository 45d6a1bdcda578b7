# Shared pieces of the asset generators.
find_package(ZLIB REQUIRED)
add_library(tools_common STATIC ${CMAKE_CURRENT_LIST_DIR}/common/pngwrite.cpp)
target_include_directories(tools_common PUBLIC ${CMAKE_CURRENT_LIST_DIR}/common)
target_link_libraries(tools_common PUBLIC ZLIB::ZLIB)
