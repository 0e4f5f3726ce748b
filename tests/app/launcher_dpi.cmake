# The real storvane.exe started under several display DPIs, read through accessibility, with a
# screenshot per DPI (dpi-96.png … in the artifacts folder).
include(${CMAKE_SOURCE_DIR}/tests/support/desktop.cmake)
include(${CMAKE_SOURCE_DIR}/tests/support/demo_service.cmake)
storvane_demo_service_fixture(launcher_dpi_service)
if(launcher_dpi_service_ENV)
  storvane_test(launcher_dpi_e2e_tests LABELS catalogue e2e DESKTOP TIMEOUT 600
    SOURCES launcher_dpi_e2e_test.cpp
    LIBS storvane_launcher_driver storvane_demo_client advapi32
    FIXTURES launcher_dpi_service
    ENVIRONMENT ${launcher_dpi_service_ENV} STORVANE_LAUNCHER=$<TARGET_FILE:storvane>
    DEPENDS ${launcher_dpi_service_DEPENDS})
endif()
