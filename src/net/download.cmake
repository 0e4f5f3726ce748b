# The WinINet transfer routine and the download progress arithmetic.
add_library(storvane_download STATIC download_to_file.cpp download_progress.cpp)
target_include_directories(storvane_download PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_download PUBLIC storvane_win)
