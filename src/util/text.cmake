# Text primitives (no Windows API: also builds natively) and the Windows-side text, shell and
# COM helpers.
add_library(storvane_text STATIC text.cpp image_format.cpp)
target_include_directories(storvane_text PUBLIC ${CMAKE_SOURCE_DIR}/src)

add_library(storvane_win STATIC win_text.cpp com.cpp small_file.cpp log.cpp accessible_base.cpp window.cpp)
target_include_directories(storvane_win PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_win PUBLIC storvane_text ole32 oleaut32 uuid shell32 shlwapi oleacc)
