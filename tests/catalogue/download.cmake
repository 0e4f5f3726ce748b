include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
# support.cmake guards itself globally, so the value it sets is only seen in the directory that
# included it first.
if(NOT STORVANE_TEST_CA_DIR)
  set(STORVANE_TEST_CA_DIR ${CMAKE_BINARY_DIR}/test-ca)
endif()
storvane_test_server_fixture(download_server)
storvane_test(download_to_file_tests LABELS install
  SOURCES download_to_file_test.cpp
  LIBS storvane_download storvane_test_support
  FIXTURES download_server ENVIRONMENT ${download_server_ENV} DEPENDS ${download_server_DEPENDS})
