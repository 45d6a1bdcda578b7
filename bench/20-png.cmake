# png_bench: PNG to RGBA8 with the quon chain, libpng and libspng side by side.
find_package(benchmark REQUIRED)
find_package(PNG REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(SPNG REQUIRED IMPORTED_TARGET spng)
add_executable(png_bench ${CMAKE_CURRENT_LIST_DIR}/png_bench.cpp)
target_link_libraries(png_bench PRIVATE quon PNG::PNG PkgConfig::SPNG benchmark::benchmark)
target_compile_definitions(png_bench PRIVATE QUON_DATA_DIR="${QUON_DATA_DIR}")
target_include_directories(png_bench PRIVATE ${PROJECT_SOURCE_DIR}/lib/src ${PROJECT_SOURCE_DIR}/tests/support)
