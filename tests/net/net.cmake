# HTTP clients: header and cookie routines, body decoding and both request engines, tested
# against the loopback servers of tests/support.
include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)

# One server per test program: each test reads the server's log, so programs running at the
# same time must not share one.
storvane_test_server_fixture(test_server_server)
storvane_test(test_server_tests LABELS httpfetch testserver
  SOURCES ${CMAKE_SOURCE_DIR}/tests/support/test_server_test.cpp
  LIBS storvane_test_support
  FIXTURES test_server_server ENVIRONMENT ${test_server_server_ENV} DEPENDS ${test_server_server_DEPENDS})

storvane_test(net_headers_tests LABELS headers
  SOURCES headers_test.cpp cookies_test.cpp
  LIBS storvane_net)

storvane_test(net_decode_tests LABELS decode
  SOURCES decode_test.cpp
  LIBS storvane_net)

storvane_test_server_fixture(httpfetch_server)
storvane_test(net_httpfetch_tests LABELS httpfetch
  SOURCES http_fetch_test.cpp
  LIBS storvane_net storvane_test_support
  FIXTURES httpfetch_server ENVIRONMENT ${httpfetch_server_ENV} DEPENDS ${httpfetch_server_DEPENDS})

storvane_test_server_fixture(requestobject_server SERVE_DIR ${CMAKE_SOURCE_DIR}/res)
storvane_test(net_requestobject_tests LABELS requestobject
  SOURCES request_object_test.cpp
  LIBS storvane_net storvane_test_support
  FIXTURES requestobject_server ENVIRONMENT ${requestobject_server_ENV} DEPENDS ${requestobject_server_DEPENDS})

storvane_test_server_fixture(download_server)
storvane_test(download_to_file_tests LABELS install
  SOURCES download_to_file_test.cpp
  LIBS storvane_download storvane_test_support
  FIXTURES download_server ENVIRONMENT ${download_server_ENV} DEPENDS ${download_server_DEPENDS})

storvane_test(net_system_proxy_tests LABELS httpfetch proxy
  SOURCES system_proxy_test.cpp
  LIBS storvane_net advapi32)

storvane_test(net_download_progress_tests LABELS install
  SOURCES download_progress_test.cpp
  LIBS storvane_download)
