# storvane_signed.exe: the launcher from the product's sources, built to check answers with the
# test key and to ask a service of its own, 1000 ports above the demo service's, so that its
# release (signed with the test key, served by nginx) never meets the demo service; and its
# end-to-end test.
include(${CMAKE_SOURCE_DIR}/tests/support/desktop.cmake)
include(${CMAKE_SOURCE_DIR}/tests/support/signed_service.cmake)
string(REGEX MATCH "^http://127\\.0\\.0\\.1:([0-9]+)$" _signed_match "${STORVANE_SERVICE_BASE}")
if(CMAKE_MATCH_1)
  math(EXPR _signed_port "${CMAKE_MATCH_1} + 1000")
  storvane_test_public_key(_signed_key)
  storvane_launcher(storvane_signed OUTPUT_NAME storvane_signed SERVICE_BASE "http://127.0.0.1:${_signed_port}"
    PUBLIC_KEY "${_signed_key}")

  set(_signed_state ${CMAKE_BINARY_DIR}/test-servers/signed_release)
  set(_signed_script ${CMAKE_SOURCE_DIR}/tests/support/signed_service_fixture.sh)
  add_test(NAME signed_release_start COMMAND bash ${_signed_script} release ${_signed_state} ${_signed_port}
           $<TARGET_FILE:selfupdate_new_launcher> $<TARGET_FILE:shoptool_a> $<TARGET_FILE:shoptool_b> $<TARGET_FILE:shoptool_c>)
  add_test(NAME signed_release_stop COMMAND bash ${_signed_script} stop ${_signed_state})
  set_tests_properties(signed_release_start PROPERTIES FIXTURES_SETUP signed_release LABELS fixture TIMEOUT 120)
  set_tests_properties(signed_release_stop PROPERTIES FIXTURES_CLEANUP signed_release LABELS fixture TIMEOUT 60)
  storvane_test(signed_launcher_e2e_tests LABELS trust e2e DESKTOP TIMEOUT 600
    SOURCES signed_launcher_e2e_test.cpp
    LIBS storvane_launcher_driver storvane_demo_client storvane_shell_test_support storvane_win
    FIXTURES signed_release
    ENVIRONMENT STORVANE_SIGNED_RELEASE=${_signed_state} STORVANE_LAUNCHER=$<TARGET_FILE:storvane_signed>
                STORVANE_ARTIFACT_DIR=${CMAKE_BINARY_DIR}/artifacts
    DEPENDS storvane_signed selfupdate_new_launcher shoptool_a shoptool_b shoptool_c)
endif()
