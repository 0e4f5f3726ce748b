# The self-update check and hand-over. It opens the carried updater's window once, so it runs
# with the desktop to itself.
include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
storvane_test_server_fixture(self_update_server)
storvane_test(self_update_tests LABELS selfupdate DESKTOP
  SOURCES self_update_test.cpp
  LIBS storvane_self_update storvane_updater_core storvane_test_support oleacc
  FIXTURES self_update_server
  ENVIRONMENT ${self_update_server_ENV} STORVANE_UP_EXE=$<TARGET_FILE:up>
  DEPENDS ${self_update_server_DEPENDS})
