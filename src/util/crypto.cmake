# Digests and signature checks over the system's CNG. A library of its own, so that only the
# programs that check downloads link bcrypt.
add_library(storvane_crypto STATIC crypto.cpp)
target_include_directories(storvane_crypto PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_crypto PUBLIC bcrypt)
