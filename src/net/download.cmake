# The WinINet transfer routine (its WinINet side and its local file in file pairs of their own),
# the download progress arithmetic and the check of a download
# against the digest the service named, the record that lets a cut transfer continue and the
# policy of trying again.
add_library(storvane_download STATIC download_to_file.cpp download_progress.cpp download_digest.cpp
            download_resume.cpp download_retry.cpp download_file.cpp download_wininet.cpp)
target_include_directories(storvane_download PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_download PUBLIC storvane_crypto storvane_pe storvane_win)
