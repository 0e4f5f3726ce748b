# End-to-end tests of the real storvane.exe under Wine and Xvfb, against the demo version
# service on the address the launcher is built with.
include(${CMAKE_SOURCE_DIR}/tests/support/desktop.cmake)
include(${CMAKE_SOURCE_DIR}/tests/support/demo_service.cmake)
storvane_demo_service_fixture(launcher_service)
if(launcher_service_ENV)
  storvane_test(launcher_shell_e2e_tests LABELS shell e2e DESKTOP TIMEOUT 600
    SOURCES launcher_shell_e2e_test.cpp
    LIBS storvane_demo_client storvane_shell_test_support storvane_shortcut
    FIXTURES launcher_service
    ENVIRONMENT ${launcher_service_ENV} STORVANE_LAUNCHER=$<TARGET_FILE:storvane>
    DEPENDS ${launcher_service_DEPENDS})
endif()
