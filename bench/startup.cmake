# Time from process start to a shown main window: the launcher beside a bare Win32 window, and
# the launcher's start-up steps taken one by one (bench/all.sh runs them and prints the figures).
add_executable(bare_window WIN32 bare_window.cpp)
target_link_options(bare_window PRIVATE ${STORVANE_STATIC_LINK} -s)

add_executable(startup_bench startup_bench.cpp)
target_link_libraries(startup_bench PRIVATE storvane_net storvane_json storvane_win)
target_link_options(startup_bench PRIVATE ${STORVANE_STATIC_LINK} -municode)
