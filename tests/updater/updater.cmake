include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

# Stands in for the launcher: records its starts and ends beside itself.
add_executable(updater_launcher_stub WIN32 launcher_stub.cpp)
target_link_options(updater_launcher_stub PRIVATE ${STORVANE_STATIC_LINK} -municode -s)
target_link_libraries(updater_launcher_stub PRIVATE shell32)

storvane_test(updater_core_tests LABELS updater
  SOURCES update_arguments_test.cpp canvas_test.cpp
  LIBS storvane_updater_core)

storvane_test_server_fixture(updater_server)
# DESKTOP though it shows no window: its stand-in launchers are named storvane.exe, and the
# end-to-end tests (all DESKTOP) end every process of that name when they start and finish.
storvane_test(update_job_tests LABELS updater DESKTOP
  SOURCES update_job_test.cpp
  LIBS storvane_updater_core storvane_test_support
  FIXTURES updater_server ENVIRONMENT ${updater_server_ENV}
  DEPENDS ${updater_server_DEPENDS} updater_launcher_stub)

# A server of its own: the request log and the scripted answers must not be shared with tests
# that run at the same time.
storvane_test_server_fixture(updater_window_server)
storvane_test(updater_window_tests LABELS updater DESKTOP
  SOURCES updater_window_test.cpp window_capture.cpp
  LIBS storvane_updater_core storvane_test_support storvane_win oleacc gdiplus
  FIXTURES updater_window_server
  ENVIRONMENT ${updater_window_server_ENV} STORVANE_UP_EXE=$<TARGET_FILE:up> STORVANE_ARTIFACTS_DIR=${CMAKE_BINARY_DIR}/artifacts
  DEPENDS ${updater_window_server_DEPENDS} updater_launcher_stub up)
