# Catalogue figures (bench/all.sh runs it): the transfer routine's throughput beside bare WinINet
# loops, the list fill, the running watcher's CPU use and the launcher's memory.
add_executable(catalogue_bench catalogue_bench.cpp)
target_include_directories(catalogue_bench PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(catalogue_bench PRIVATE
  storvane_download storvane_net storvane_json storvane_finder storvane_launcher_driver wininet psapi shell32)
target_link_options(catalogue_bench PRIVATE ${STORVANE_STATIC_LINK})
