# HTTP clients: header and cookie routines, body decoding and both request engines, tested
# against the loopback servers of tests/support.
include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

storvane_test_server_fixture(net_server)

storvane_test(test_server_tests LABELS httpfetch
  SOURCES ${CMAKE_SOURCE_DIR}/tests/support/test_server_test.cpp
  LIBS storvane_test_support
  FIXTURES net_server ENVIRONMENT ${net_server_ENV} DEPENDS ${net_server_DEPENDS})

storvane_test(net_headers_tests LABELS headers
  SOURCES headers_test.cpp cookies_test.cpp
  LIBS storvane_net)

storvane_test(net_decode_tests LABELS decode
  SOURCES decode_test.cpp
  LIBS storvane_net)
