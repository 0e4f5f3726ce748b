# storvane_signed.exe: the launcher from the product's sources, built to check answers with the
# test key, for end-to-end tests against releases signed with it.
include(${CMAKE_SOURCE_DIR}/tests/support/signed_service.cmake)
storvane_test_public_key(_storvane_test_key)
storvane_launcher(storvane_signed OUTPUT_NAME storvane_signed PUBLIC_KEY "${_storvane_test_key}")
