# Tests of the process and window finder with the pumping wait (against the demo tools run as
# real processes), and of the desktop shortcut writer.
storvane_test(finder_tests LABELS finder DESKTOP
  SOURCES process_finder_test.cpp pumping_wait_test.cpp
  LIBS storvane_finder storvane_shell_test_support
  DEPENDS shoptool_a shoptool_b)
target_compile_definitions(finder_tests PRIVATE
  "SHOPTOOL_A_EXE=\"$<TARGET_FILE:shoptool_a>\"" "SHOPTOOL_B_EXE=\"$<TARGET_FILE:shoptool_b>\"")

storvane_test(shortcut_tests LABELS shell
  SOURCES desktop_shortcut_test.cpp
  LIBS storvane_shortcut storvane_shell_test_support)
