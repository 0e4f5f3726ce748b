# Signed answers served by nginx as a CTest fixture (signed_service_fixture.sh): fragments call
#   storvane_signed_service_fixture(<fixture>)
# which defines <fixture>_ENV and <fixture>_DEPENDS in the caller's scope. One server per
# fixture, on a free loopback port. It also sets STORVANE_TEST_PUBLIC_KEY, the test key's public
# text, in the caller's scope (read there: the include guard is global, and what a first includer
# sets at include time is not seen from other directories).
include_guard(GLOBAL)

# storvane_test_public_key(<var>): the test key's public text.
function(storvane_test_public_key var)
  file(READ ${CMAKE_SOURCE_DIR}/tests/support/test_signing_key/public.txt key)
  string(STRIP "${key}" key)
  set(${var} "${key}" PARENT_SCOPE)
endfunction()

function(storvane_signed_service_fixture name)
  storvane_test_public_key(key)
  set(STORVANE_TEST_PUBLIC_KEY "${key}" PARENT_SCOPE)
  set(script ${CMAKE_SOURCE_DIR}/tests/support/signed_service_fixture.sh)
  set(state ${CMAKE_BINARY_DIR}/test-servers/${name})
  add_test(NAME ${name}_start COMMAND bash ${script} start ${state}
           $<TARGET_FILE:shoptool_a> $<TARGET_FILE:shoptool_b> $<TARGET_FILE:shoptool_c>)
  add_test(NAME ${name}_stop COMMAND bash ${script} stop ${state})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} LABELS fixture TIMEOUT 120)
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name} LABELS fixture TIMEOUT 60)
  set(${name}_ENV STORVANE_SIGNED_SERVICE=${state} PARENT_SCOPE)
  set(${name}_DEPENDS shoptool_a shoptool_b shoptool_c PARENT_SCOPE)
endfunction()
