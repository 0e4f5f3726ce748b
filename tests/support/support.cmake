# Shared test support: the loopback HTTP/HTTPS test servers and the C++ helpers that read them.
# Fragments that need a server include this file (it guards itself) and call
#   storvane_test_server_fixture(<fixture> [SERVE_DIR <dir>])
# which defines <fixture>_ENV (for ENVIRONMENT) and <fixture>_DEPENDS (for DEPENDS) in the
# caller's scope. See tests/support/test_server.py for the ports and routes.
include_guard(GLOBAL)

find_program(STORVANE_PYTHON3 python3 REQUIRED)

if(NOT TARGET storvane_trust_ca)
  add_executable(storvane_trust_ca ${CMAKE_SOURCE_DIR}/tests/support/trust_test_ca.cpp)
  target_link_libraries(storvane_trust_ca PRIVATE crypt32 shell32)
  target_link_options(storvane_trust_ca PRIVATE ${STORVANE_STATIC_LINK})

  add_library(storvane_test_support STATIC ${CMAKE_SOURCE_DIR}/tests/support/test_server.cpp)
  target_include_directories(storvane_test_support PUBLIC ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(storvane_test_support PUBLIC ws2_32)
endif()

function(storvane_test_server_fixture name)
  cmake_parse_arguments(A "" "SERVE_DIR" "" ${ARGN})
  set(serve -)
  if(A_SERVE_DIR)
    set(serve ${A_SERVE_DIR})
  endif()
  set(state ${CMAKE_BINARY_DIR}/test-servers/${name})
  set(script ${CMAKE_SOURCE_DIR}/tests/support/server_fixture.sh)
  add_test(NAME ${name}_start
           COMMAND ${CMAKE_COMMAND} -E env PYTHON=${STORVANE_PYTHON3}
                   bash ${script} start ${state} ${CMAKE_BINARY_DIR}/test-ca ${serve}
                   ${CMAKE_BINARY_DIR}/wine-run $<TARGET_FILE:storvane_trust_ca>)
  add_test(NAME ${name}_stop COMMAND bash ${script} stop ${state})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} LABELS fixture TIMEOUT 180)
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name} LABELS fixture TIMEOUT 60)
  set(${name}_ENV STORVANE_TEST_SERVER=${state} PARENT_SCOPE)
  set(${name}_DEPENDS storvane_trust_ca PARENT_SCOPE)
endfunction()
