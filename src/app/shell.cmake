# Single-instance guard, install location and self-relocation, disk free-space line.
add_library(storvane_shell STATIC single_instance.cpp install_location.cpp disk_space.cpp)
target_include_directories(storvane_shell PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_shell PUBLIC storvane_finder storvane_shortcut storvane_kill storvane_win advapi32)
