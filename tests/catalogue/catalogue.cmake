# Tests of the catalogue: the list template and items over a recording fake of the list, the
# catalogue load against the demo version service, the item actions and install flow on real
# folders, downloads and tool processes, and the running watcher.
add_library(storvane_catalogue_fakes STATIC catalogue_fakes.cpp)
target_include_directories(storvane_catalogue_fakes PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_catalogue_fakes PUBLIC storvane_catalogue)

storvane_test(catalogue_unit_tests LABELS catalogue
  SOURCES font_descriptor_test.cpp item_template_test.cpp catalogue_item_test.cpp
  LIBS storvane_catalogue storvane_catalogue_fakes storvane_shell_test_support)

# The demo version service on a free loopback port, one per test program that uses it, serving
# the demo tools built into demo/.
function(catalogue_demo_service_fixture name)
  set(state ${CMAKE_BINARY_DIR}/test-servers/${name})
  set(script ${CMAKE_CURRENT_SOURCE_DIR}/demo_service_fixture.sh)
  add_test(NAME ${name}_start COMMAND bash ${script} start ${state} $<TARGET_FILE_DIR:shoptool_a>)
  add_test(NAME ${name}_stop COMMAND bash ${script} stop ${state})
  set_tests_properties(${name}_start PROPERTIES FIXTURES_SETUP ${name} LABELS fixture TIMEOUT 60)
  set_tests_properties(${name}_stop PROPERTIES FIXTURES_CLEANUP ${name} LABELS fixture TIMEOUT 60)
  set(${name}_ENV STORVANE_DEMO_SERVICE=${state} PARENT_SCOPE)
endfunction()

add_library(storvane_demo_service_client STATIC demo_service_client.cpp)
target_include_directories(storvane_demo_service_client PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(storvane_demo_service_client PUBLIC storvane_test_support)

include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
catalogue_demo_service_fixture(catalogue_load_service)
storvane_test(catalogue_load_tests LABELS catalogue
  SOURCES catalogue_load_test.cpp
  LIBS storvane_catalogue storvane_catalogue_fakes storvane_demo_service_client storvane_shell_test_support
  FIXTURES catalogue_load_service ENVIRONMENT ${catalogue_load_service_ENV}
  DEPENDS shoptool_a shoptool_b shoptool_c)
target_compile_definitions(catalogue_load_tests PRIVATE "DEMO_SITE_DIR=\"${CMAKE_SOURCE_DIR}/demo/service/site\"")

# A stand-in tool that writes the arguments it was started with beside itself.
add_executable(catalogue_arg_probe WIN32 arg_probe.cpp)
target_link_libraries(catalogue_arg_probe PRIVATE shell32)
target_link_options(catalogue_arg_probe PRIVATE ${STORVANE_STATIC_LINK})

storvane_test(catalogue_action_tests LABELS catalogue DESKTOP
  SOURCES item_actions_test.cpp running_watch_test.cpp
  LIBS storvane_catalogue storvane_catalogue_fakes storvane_shell_test_support
  DEPENDS shoptool_a catalogue_arg_probe)
target_compile_definitions(catalogue_action_tests PRIVATE
  "SHOPTOOL_A_EXE=\"$<TARGET_FILE:shoptool_a>\"" "ARG_PROBE_EXE=\"$<TARGET_FILE:catalogue_arg_probe>\"")

catalogue_demo_service_fixture(install_service)
storvane_test(install_flow_tests LABELS install DESKTOP
  SOURCES install_flow_test.cpp reset_server.cpp
  LIBS storvane_catalogue storvane_catalogue_fakes storvane_demo_service_client storvane_shell_test_support
  FIXTURES install_service ENVIRONMENT ${install_service_ENV}
  DEPENDS shoptool_a shoptool_b shoptool_c)
target_link_libraries(install_flow_tests PRIVATE ws2_32)
target_compile_definitions(install_flow_tests PRIVATE
  "SHOPTOOL_A_EXE=\"$<TARGET_FILE:shoptool_a>\"" "SHOPTOOL_B_EXE=\"$<TARGET_FILE:shoptool_b>\"")

# The catalogue in a real main window over the real skin-UI library, against the demo service.
catalogue_demo_service_fixture(catalogue_window_service)
storvane_test(catalogue_window_tests LABELS catalogue DESKTOP
  SOURCES catalogue_window_test.cpp
  LIBS storvane_catalogue_window storvane_demo_service_client storvane_shell_test_support
  FIXTURES catalogue_window_service ENVIRONMENT ${catalogue_window_service_ENV}
  DEPENDS shoptool_a shoptool_b shoptool_c)
target_compile_definitions(catalogue_window_tests PRIVATE
  "SHOPTOOL_A_EXE=\"$<TARGET_FILE:shoptool_a>\"" "SHOPTOOL_C_EXE=\"$<TARGET_FILE:shoptool_c>\"")
