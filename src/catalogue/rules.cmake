# Pure catalogue rules: entry name safety, captions, view layout numbers.
add_library(storvane_catalogue_rules STATIC entry_rules.cpp view_layout.cpp)
target_include_directories(storvane_catalogue_rules PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_catalogue_rules PUBLIC storvane_text)
