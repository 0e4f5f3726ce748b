# The regular-expression object and the JSON document, both over system COM components.
add_library(storvane_regex STATIC regex_object.cpp)
target_include_directories(storvane_regex PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_regex PUBLIC storvane_win)

add_library(storvane_json STATIC json_document.cpp json_script.cpp)
target_include_directories(storvane_json PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_json PUBLIC storvane_win)
