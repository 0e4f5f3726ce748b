# Catalogue figures (bench/catalogue_bench.sh runs it): the transfer routine's throughput, the
# list fill, the running watcher's CPU use and the launcher's working set.
add_executable(catalogue_bench catalogue_bench.cpp)
target_include_directories(catalogue_bench PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(catalogue_bench PRIVATE storvane_download storvane_launcher_driver psapi shell32)
target_link_options(catalogue_bench PRIVATE ${STORVANE_STATIC_LINK})
