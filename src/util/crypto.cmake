# Digests and signature checks over the system's CNG. A library of its own, so that only the
# programs that check downloads link bcrypt.
add_library(storvane_crypto STATIC crypto.cpp)
target_include_directories(storvane_crypto PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_crypto PUBLIC bcrypt)

# The records up.exe keeps beside the launcher (they name digests).
add_library(storvane_update_records STATIC update_records.cpp)
target_include_directories(storvane_update_records PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_update_records PUBLIC storvane_crypto)
