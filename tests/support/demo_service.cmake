# The demo version service as a CTest fixture. Fragments include this file and call
#   storvane_demo_service_fixture(<fixture> [FREE_PORT])
# which defines <fixture>_ENV and <fixture>_DEPENDS in the caller's scope, like the test servers.
# Without FREE_PORT the service answers on the port the launcher is built to ask
# (STORVANE_SERVICE_BASE), for tests of the real launcher; with it, on a free loopback port of
# its own, for tests that hand the service's address to the code under test.
include_guard(GLOBAL)
include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
include(${CMAKE_SOURCE_DIR}/tests/support/desktop.cmake)

function(storvane_demo_service_fixture name)
  cmake_parse_arguments(A "FREE_PORT" "" "" ${ARGN})
  set(script ${CMAKE_SOURCE_DIR}/tests/support/demo_service_fixture.sh)
  set(tools $<TARGET_FILE:shoptool_a> $<TARGET_FILE:shoptool_b> $<TARGET_FILE:shoptool_c>)
  if(A_FREE_PORT)
    # One service per fixture, so test programs never see each other's control requests.
    set(state ${CMAKE_BINARY_DIR}/test-servers/${name})
    add_test(NAME ${name}_start COMMAND bash ${script} start ${state} 0 ${tools})
    add_test(NAME ${name}_stop COMMAND bash ${script} stop ${state})
    set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} LABELS fixture TIMEOUT 60)
    set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name} LABELS fixture TIMEOUT 60)
    set(${name}_ENV STORVANE_DEMO_SERVICE=${state} PARENT_SCOPE)
    set(${name}_DEPENDS shoptool_a shoptool_b shoptool_c PARENT_SCOPE)
    return()
  endif()
  # Worked out here rather than at include time: the include guard is global, and variables of
  # the directory that included this file first are not seen from the others.
  string(REGEX MATCH "^http://127\\.0\\.0\\.1:([0-9]+)$" _demo_match "${STORVANE_SERVICE_BASE}")
  set(STORVANE_DEMO_PORT "${CMAKE_MATCH_1}")
  if(NOT STORVANE_DEMO_PORT)
    message(STATUS "End-to-end tests need a loopback service address; ${STORVANE_SERVICE_BASE} is not one")
    set(${name}_ENV "" PARENT_SCOPE)
    set(${name}_DEPENDS "" PARENT_SCOPE)
    return()
  endif()
  # The service answers on the port compiled into the launcher, so there is one of it for the
  # whole run: every fixture name given here is a name of that one service, started before the
  # first test that needs any of them and stopped after the last. (All callers live in one
  # directory of the tests, since test properties can only be set where the test was added.)
  set(state ${CMAKE_BINARY_DIR}/test-servers/demo_service)
  if(NOT TEST demo_service_start)
    add_test(NAME demo_service_start COMMAND bash ${script} start ${state} ${STORVANE_DEMO_PORT}
             $<TARGET_FILE:storvane> ${tools})
    add_test(NAME demo_service_stop COMMAND bash ${script} stop ${state})
    set_tests_properties(demo_service_start PROPERTIES LABELS fixture TIMEOUT 180)
    set_tests_properties(demo_service_stop PROPERTIES LABELS fixture TIMEOUT 30)
  endif()
  set_property(TEST demo_service_start APPEND PROPERTY FIXTURES_SETUP ${name})
  set_property(TEST demo_service_stop APPEND PROPERTY FIXTURES_CLEANUP ${name})
  set(${name}_ENV STORVANE_DEMO_SERVICE=${state} STORVANE_ARTIFACT_DIR=${CMAKE_BINARY_DIR}/artifacts PARENT_SCOPE)
  set(${name}_DEPENDS storvane shoptool_a shoptool_b shoptool_c PARENT_SCOPE)
endfunction()

if(NOT TARGET storvane_demo_client)
  add_library(storvane_demo_client STATIC ${CMAKE_SOURCE_DIR}/tests/support/demo_service.cpp)
  target_include_directories(storvane_demo_client PUBLIC ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
  target_link_libraries(storvane_demo_client PUBLIC storvane_test_support storvane_desktop_driver)
endif()
