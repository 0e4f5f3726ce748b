# Fetching answers of the version service with their signatures.
add_library(storvane_signed_fetch STATIC signed_fetch.cpp)
target_include_directories(storvane_signed_fetch PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_signed_fetch PUBLIC storvane_net storvane_crypto)
