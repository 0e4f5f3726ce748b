# Tests of the desktop shortcut writer.
storvane_test(shortcut_tests LABELS shell
  SOURCES desktop_shortcut_test.cpp
  LIBS storvane_shortcut storvane_shell_test_support)
