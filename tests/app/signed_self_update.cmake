# The launcher's own answer with and without a key, against nginx serving releases signed with
# the test key.
include(${CMAKE_SOURCE_DIR}/tests/support/signed_service.cmake)
storvane_signed_service_fixture(signed_self_update_service)
storvane_test(signed_self_update_tests LABELS selfupdate trust
  SOURCES signed_self_update_test.cpp
  LIBS storvane_self_update storvane_shell_test_support
  FIXTURES signed_self_update_service ENVIRONMENT ${signed_self_update_service_ENV}
  DEPENDS ${signed_self_update_service_DEPENDS})
target_compile_definitions(signed_self_update_tests PRIVATE "TEST_PUBLIC_KEY=\"${STORVANE_TEST_PUBLIC_KEY}\"")
