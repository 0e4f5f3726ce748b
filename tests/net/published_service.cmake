# A signed release end to end: tools/publish.py publishes the demo tools, nginx serves them on a
# free loopback port, and the product's HTTP engines and signature checks read them back.
set(_published_state ${CMAKE_BINARY_DIR}/test-servers/published_service)
set(_published_script ${CMAKE_CURRENT_SOURCE_DIR}/published_service_fixture.sh)
add_test(NAME published_service_start COMMAND bash ${_published_script} start ${_published_state}
         $<TARGET_FILE:shoptool_a> $<TARGET_FILE:shoptool_b> $<TARGET_FILE:shoptool_c>)
add_test(NAME published_service_stop COMMAND bash ${_published_script} stop ${_published_state})
set_tests_properties(published_service_start PROPERTIES FIXTURES_SETUP published_service LABELS fixture TIMEOUT 120)
set_tests_properties(published_service_stop PROPERTIES FIXTURES_CLEANUP published_service LABELS fixture TIMEOUT 60)
storvane_test(published_service_tests LABELS publish
  SOURCES published_service_test.cpp
  LIBS storvane_net storvane_json storvane_crypto
  FIXTURES published_service ENVIRONMENT STORVANE_PUBLISHED_SERVICE=${_published_state}
  DEPENDS shoptool_a shoptool_b shoptool_c)
