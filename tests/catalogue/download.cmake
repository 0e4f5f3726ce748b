include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
storvane_test_server_fixture(download_server)
storvane_test(download_to_file_tests LABELS install
  SOURCES download_to_file_test.cpp
  LIBS storvane_download storvane_test_support
  FIXTURES download_server ENVIRONMENT ${download_server_ENV} DEPENDS ${download_server_DEPENDS})
