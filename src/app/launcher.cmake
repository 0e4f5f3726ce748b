# storvane_launcher(<target> OUTPUT_NAME <name> SERVICE_BASE <address> PUBLIC_KEY <key text>
#                   [MIN_PUBLISHED <unix seconds>])
# The launcher, carrying its skin-UI library and its updater, built to ask the version service
# at the given address and to check its answers with the given key (empty: answers are trusted
# as they come), taking no signed answer published before MIN_PUBLISHED (default 0). The product is one such target; tests build another from the same sources with
# a test key and a service of their own.
function(storvane_launcher target)
  cmake_parse_arguments(A "" "OUTPUT_NAME;SERVICE_BASE;PUBLIC_KEY;MIN_PUBLISHED" "" ${ARGN})
  set(dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
  if(NOT DEFINED A_MIN_PUBLISHED)
    set(A_MIN_PUBLISHED 0)
  endif()
  storvane_gui_exe(${target} OUTPUT_NAME ${A_OUTPUT_NAME} DESCRIPTION "Storvane"
    SOURCES ${dir}/main.cpp ${dir}/startup.cpp ${dir}/main_window.cpp
    LIBS storvane_uilib storvane_catalogue_window storvane_catalogue storvane_self_update storvane_shell
         storvane_kill storvane_win)
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/exui/include)
  target_compile_definitions(${target} PRIVATE
    STORVANE_SERVICE_BASE="${A_SERVICE_BASE}" STORVANE_PUBLIC_KEY="${A_PUBLIC_KEY}"
    STORVANE_MIN_PUBLISHED=${A_MIN_PUBLISHED})
endfunction()

# A key that is not base64 on one line would only show at run time, as a launcher that trusts
# nothing; refuse it here.
if(NOT STORVANE_PUBLIC_KEY STREQUAL "" AND NOT STORVANE_PUBLIC_KEY MATCHES "^[A-Za-z0-9+/]+=*$")
  message(FATAL_ERROR "STORVANE_PUBLIC_KEY must be the one-line base64 key tools/publish.py keygen prints")
endif()
# A minimum that is not plain decimal seconds would not compile, or would mean something else
# (a leading zero makes an octal number).
if(NOT STORVANE_MIN_PUBLISHED MATCHES "^[0-9]+$" OR STORVANE_MIN_PUBLISHED MATCHES "^0[0-9]" OR
   STORVANE_MIN_PUBLISHED GREATER 9999999999)
  message(FATAL_ERROR "STORVANE_MIN_PUBLISHED must be Unix seconds in plain decimal (tools/publish.py build prints it)")
endif()
# storvane.exe
storvane_launcher(storvane OUTPUT_NAME storvane SERVICE_BASE "${STORVANE_SERVICE_BASE}"
  PUBLIC_KEY "${STORVANE_PUBLIC_KEY}" MIN_PUBLISHED "${STORVANE_MIN_PUBLISHED}")
