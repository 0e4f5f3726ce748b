# The launcher's self-update check and hand-over to up.exe, which it carries inside itself.
add_library(storvane_self_update STATIC self_update.cpp)
target_include_directories(storvane_self_update PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(storvane_self_update PRIVATE
  STORVANE_UPDATER_IMAGE="$<TARGET_FILE:up>")
target_link_libraries(storvane_self_update PUBLIC storvane_update_records storvane_answer_trust storvane_net storvane_download storvane_json storvane_shell storvane_kill storvane_win)
add_dependencies(storvane_self_update up)
# The carried image is part of the object: rebuild it whenever up.exe changes. (This property
# takes no generator expressions; up.exe is built in the updater directory of the build tree.)
set_source_files_properties(self_update.cpp PROPERTIES OBJECT_DEPENDS ${CMAKE_BINARY_DIR}/updater/up.exe)
