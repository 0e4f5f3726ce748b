# Figures for the JSON document and the regular-expression object (a program, not a test).
add_executable(json_bench json_bench.cpp)
target_link_libraries(json_bench PRIVATE storvane_json storvane_regex)
target_link_options(json_bench PRIVATE ${STORVANE_STATIC_LINK})
