# The header checks of PE images (no Windows API: also builds natively) and the check of a
# program file on disk that downloads and the skin-UI library's mappers share.
add_library(storvane_pe STATIC pe_headers.cpp image_file.cpp)
target_include_directories(storvane_pe PUBLIC ${CMAKE_SOURCE_DIR}/src)
