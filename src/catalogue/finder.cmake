# Process and window finder with the pumping wait, and the desktop shortcut writer.
add_library(storvane_finder STATIC process_finder.cpp pumping_wait.cpp)
target_include_directories(storvane_finder PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_finder PUBLIC storvane_kill storvane_win psapi)

add_library(storvane_shortcut STATIC desktop_shortcut.cpp)
target_include_directories(storvane_shortcut PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_shortcut PUBLIC storvane_win shell32)
