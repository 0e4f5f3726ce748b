# The desktop driver for end-to-end tests (start programs, read them through accessibility,
# real mouse input, message boxes, screenshots). Fragments include this file and link
# storvane_desktop_driver.
include_guard(GLOBAL)
add_library(storvane_desktop_driver STATIC ${CMAKE_SOURCE_DIR}/tests/support/desktop.cpp)
target_include_directories(storvane_desktop_driver PUBLIC ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_desktop_driver PUBLIC storvane_win oleacc ole32 oleaut32 uuid shell32 gdi32 user32)
