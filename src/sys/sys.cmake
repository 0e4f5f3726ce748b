# Processes and waiting: ending a process, finding a tool's processes and windows, and the
# wait that keeps windows answering. Used by the launcher and by up.exe.
add_library(storvane_kill STATIC kill_process.cpp)
target_include_directories(storvane_kill PUBLIC ${CMAKE_SOURCE_DIR}/src)

add_library(storvane_finder STATIC process_finder.cpp pumping_wait.cpp)
target_include_directories(storvane_finder PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_finder PUBLIC storvane_kill storvane_win psapi)
