# The desktop shortcut writer.
add_library(storvane_shortcut STATIC desktop_shortcut.cpp)
target_include_directories(storvane_shortcut PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_shortcut PUBLIC storvane_win shell32)
