# Tests of KillProcess, the single-instance guard, the install location and relocation, and the
# disk free-space line. Behaviour that ends its process runs in shell_probe, started by the tests.
add_library(storvane_shell_test_support STATIC test_processes.cpp shortcut_reader.cpp)
target_include_directories(storvane_shell_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_shell_test_support PUBLIC storvane_win)

add_executable(shell_probe WIN32 shell_probe.cpp)
target_include_directories(shell_probe PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(shell_probe PRIVATE storvane_shell)
target_link_options(shell_probe PRIVATE ${STORVANE_STATIC_LINK})

storvane_test(shell_line_tests LABELS shell SOURCES disk_space_test.cpp LIBS storvane_shell)

storvane_test(shell_tests LABELS shell DESKTOP
  SOURCES single_instance_test.cpp install_location_test.cpp
  LIBS storvane_shell storvane_shell_test_support
  DEPENDS shell_probe shoptool_a)
target_compile_definitions(shell_tests PRIVATE
  "SHELL_PROBE_EXE=\"$<TARGET_FILE:shell_probe>\"" "SHOPTOOL_A_EXE=\"$<TARGET_FILE:shoptool_a>\"")
