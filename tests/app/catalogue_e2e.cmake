# The catalogue through the real storvane.exe, as a user walks it, against the demo version
# service; and the demo walkthrough program that scripts/demo.sh runs.
include(${CMAKE_SOURCE_DIR}/tests/support/desktop.cmake)
include(${CMAKE_SOURCE_DIR}/tests/support/demo_service.cmake)

add_library(storvane_launcher_driver STATIC launcher_driver.cpp)
target_include_directories(storvane_launcher_driver PUBLIC ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_launcher_driver PUBLIC storvane_desktop_driver)

storvane_demo_service_fixture(catalogue_e2e_service)
if(catalogue_e2e_service_ENV)
  storvane_test(catalogue_e2e_tests LABELS catalogue e2e DESKTOP TIMEOUT 900
    SOURCES catalogue_e2e_test.cpp
    LIBS storvane_launcher_driver storvane_demo_client storvane_download shell32
    FIXTURES catalogue_e2e_service
    ENVIRONMENT ${catalogue_e2e_service_ENV} STORVANE_LAUNCHER=$<TARGET_FILE:storvane>
    DEPENDS ${catalogue_e2e_service_DEPENDS})
endif()

# Not a test: installs and opens the first tool in a launcher that already runs, saving a
# screenshot per step into the folder it is given.
add_executable(demo_walkthrough demo_walkthrough.cpp)
target_link_libraries(demo_walkthrough PRIVATE storvane_launcher_driver)
target_link_options(demo_walkthrough PRIVATE ${STORVANE_STATIC_LINK})
