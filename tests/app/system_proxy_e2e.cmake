# The real launcher behind a real proxy named in the user's Internet settings (tinyproxy, run by
# the fixture on loopback), before a service that answers only requests that came through one.
# It changes the prefix's proxy settings, which every other test program reads: it runs alone.
include(${CMAKE_SOURCE_DIR}/tests/support/desktop.cmake)
include(${CMAKE_SOURCE_DIR}/tests/support/demo_service.cmake)
storvane_demo_service_fixture(system_proxy_service)
if(system_proxy_service_ENV)
  set(_proxy_state ${CMAKE_BINARY_DIR}/test-servers/system_proxy)
  set(_proxy_script ${CMAKE_SOURCE_DIR}/tests/support/proxy_fixture.sh)
  add_test(NAME system_proxy_start COMMAND bash ${_proxy_script} start ${_proxy_state})
  add_test(NAME system_proxy_stop COMMAND bash ${_proxy_script} stop ${_proxy_state})
  set_tests_properties(system_proxy_start PROPERTIES FIXTURES_SETUP system_proxy LABELS fixture TIMEOUT 60)
  set_tests_properties(system_proxy_stop PROPERTIES FIXTURES_CLEANUP system_proxy LABELS fixture TIMEOUT 60)
  # The test puts the settings back itself; a run killed half-way would leave every later test
  # of the prefix behind a proxy that is gone, so the prefix's default (none) is restored here too.
  add_test(NAME system_proxy_settings_reset
           COMMAND ${CMAKE_BINARY_DIR}/wine-run regedit /S ${CMAKE_CURRENT_SOURCE_DIR}/system_proxy_reset.reg)
  set_tests_properties(system_proxy_settings_reset PROPERTIES FIXTURES_CLEANUP system_proxy LABELS fixture TIMEOUT 60)
  storvane_test(system_proxy_e2e_tests LABELS e2e catalogue DESKTOP TIMEOUT 300
    SOURCES system_proxy_e2e_test.cpp
    LIBS storvane_launcher_driver storvane_demo_client ws2_32 advapi32
    FIXTURES system_proxy_service system_proxy
    ENVIRONMENT ${system_proxy_service_ENV} STORVANE_TEST_PROXY=${_proxy_state} STORVANE_LAUNCHER=$<TARGET_FILE:storvane>
    DEPENDS ${system_proxy_service_DEPENDS})
  set_tests_properties(system_proxy_e2e_tests PROPERTIES RUN_SERIAL TRUE)
endif()
