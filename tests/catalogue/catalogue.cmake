# Tests of the catalogue: the layout over fakes of the units, the catalogue load against the demo version service, the item actions and install flow on real
# folders, downloads and tool processes, and the running watcher.
add_library(storvane_catalogue_fakes STATIC catalogue_fakes.cpp)
target_include_directories(storvane_catalogue_fakes PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_catalogue_fakes PUBLIC storvane_catalogue)

storvane_test(catalogue_unit_tests LABELS catalogue
  SOURCES font_descriptor_test.cpp catalogue_view_test.cpp catalogue_item_test.cpp answer_trust_test.cpp
  LIBS storvane_catalogue storvane_catalogue_fakes storvane_shell_test_support)

include(${CMAKE_SOURCE_DIR}/tests/support/demo_service.cmake)
storvane_demo_service_fixture(catalogue_load_service FREE_PORT)
storvane_test(catalogue_load_tests LABELS catalogue
  SOURCES catalogue_load_test.cpp
  LIBS storvane_catalogue storvane_catalogue_fakes storvane_demo_client storvane_shell_test_support
  FIXTURES catalogue_load_service ENVIRONMENT ${catalogue_load_service_ENV}
  DEPENDS ${catalogue_load_service_DEPENDS})
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

storvane_demo_service_fixture(install_service FREE_PORT)
storvane_test(install_flow_tests LABELS install DESKTOP
  SOURCES install_flow_test.cpp reset_server.cpp
  LIBS storvane_catalogue storvane_catalogue_fakes storvane_demo_client storvane_shell_test_support
  FIXTURES install_service ENVIRONMENT ${install_service_ENV}
  DEPENDS ${install_service_DEPENDS})
target_link_libraries(install_flow_tests PRIVATE ws2_32)
target_compile_definitions(install_flow_tests PRIVATE
  "SHOPTOOL_A_EXE=\"$<TARGET_FILE:shoptool_a>\"" "SHOPTOOL_B_EXE=\"$<TARGET_FILE:shoptool_b>\"")

# The catalogue in a real main window over the real skin-UI library, against the demo service.
storvane_demo_service_fixture(catalogue_window_service FREE_PORT)
storvane_test(catalogue_window_tests LABELS catalogue DESKTOP
  SOURCES catalogue_window_test.cpp
  LIBS storvane_catalogue_window storvane_demo_client storvane_shell_test_support
  FIXTURES catalogue_window_service ENVIRONMENT ${catalogue_window_service_ENV}
  DEPENDS ${catalogue_window_service_DEPENDS})
target_compile_definitions(catalogue_window_tests PRIVATE
  "SHOPTOOL_A_EXE=\"$<TARGET_FILE:shoptool_a>\"" "SHOPTOOL_C_EXE=\"$<TARGET_FILE:shoptool_c>\"")

# Signed answers and the kept copy, against nginx serving releases signed with the test key.
include(${CMAKE_SOURCE_DIR}/tests/support/signed_service.cmake)
storvane_signed_service_fixture(signed_catalogue_service)
storvane_test(signed_catalogue_tests LABELS catalogue trust
  SOURCES signed_catalogue_test.cpp
  LIBS storvane_catalogue storvane_catalogue_fakes storvane_shell_test_support storvane_test_support
  FIXTURES signed_catalogue_service ENVIRONMENT ${signed_catalogue_service_ENV}
  DEPENDS ${signed_catalogue_service_DEPENDS})
target_compile_definitions(signed_catalogue_tests PRIVATE "TEST_PUBLIC_KEY=\"${STORVANE_TEST_PUBLIC_KEY}\"")
