# The real launcher against a version service that misbehaves: silent, stalled, dripping and
# endless answers, with and without a kept catalogue.
include(${CMAKE_SOURCE_DIR}/tests/support/desktop.cmake)
include(${CMAKE_SOURCE_DIR}/tests/support/demo_service.cmake)
storvane_demo_service_fixture(adverse_network_service)
if(adverse_network_service_ENV)
  storvane_test(adverse_network_e2e_tests LABELS e2e catalogue DESKTOP TIMEOUT 600
    SOURCES adverse_network_e2e_test.cpp
    LIBS storvane_launcher_driver storvane_demo_client psapi
    FIXTURES adverse_network_service
    ENVIRONMENT ${adverse_network_service_ENV} STORVANE_LAUNCHER=$<TARGET_FILE:storvane>
    DEPENDS ${adverse_network_service_DEPENDS})
endif()
