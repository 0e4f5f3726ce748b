# HttpFetch throughput over loopback (bench/http_bench.sh runs it beside curl).
add_executable(http_bench http_bench.cpp)
target_link_libraries(http_bench PRIVATE storvane_net)
target_link_options(http_bench PRIVATE ${STORVANE_STATIC_LINK})
