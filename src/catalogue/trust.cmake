# The rules an answer of the version service must meet, shared by the catalogue and the
# launcher's own update check, and the records of accepted publication times.
add_library(storvane_answer_trust STATIC answer_trust.cpp)
target_include_directories(storvane_answer_trust PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_answer_trust PUBLIC storvane_signed_fetch storvane_download storvane_json storvane_crypto storvane_update_records storvane_win)
