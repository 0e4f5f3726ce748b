# End-to-end tests of the launcher's self-update: the real storvane.exe asking the demo version
# service, the up.exe it writes and starts, and a served "new launcher" that up.exe puts in
# place and starts.
include(${CMAKE_SOURCE_DIR}/tests/support/desktop.cmake)
include(${CMAKE_SOURCE_DIR}/tests/support/demo_service.cmake)
storvane_demo_service_fixture(selfupdate_service)

add_executable(selfupdate_new_launcher WIN32 selfupdate_new_launcher.cpp)
target_link_options(selfupdate_new_launcher PRIVATE ${STORVANE_STATIC_LINK} -s)

if(selfupdate_service_ENV)
  storvane_test(selfupdate_e2e_tests LABELS selfupdate e2e DESKTOP TIMEOUT 900
    SOURCES selfupdate_e2e_test.cpp
    LIBS storvane_demo_client storvane_win ntdll
    FIXTURES selfupdate_service
    ENVIRONMENT ${selfupdate_service_ENV} STORVANE_LAUNCHER=$<TARGET_FILE:storvane>
                STORVANE_UP_EXE=$<TARGET_FILE:up> STORVANE_NEW_LAUNCHER=$<TARGET_FILE:selfupdate_new_launcher>
    DEPENDS ${selfupdate_service_DEPENDS} up selfupdate_new_launcher)
endif()
