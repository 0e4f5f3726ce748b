# Tests of ending processes and of the process and window finder with the pumping wait, against
# the demo tools and the shell probe run as real processes.
storvane_test(finder_tests LABELS finder DESKTOP
  SOURCES process_finder_test.cpp pumping_wait_test.cpp kill_process_test.cpp
  LIBS storvane_finder storvane_shell_test_support
  DEPENDS shoptool_a shoptool_b shell_probe)
target_compile_definitions(finder_tests PRIVATE
  "SHOPTOOL_A_EXE=\"$<TARGET_FILE:shoptool_a>\"" "SHOPTOOL_B_EXE=\"$<TARGET_FILE:shoptool_b>\""
  "SHELL_PROBE_EXE=\"$<TARGET_FILE:shell_probe>\"")
