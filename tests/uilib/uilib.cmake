# Tests of the skin-UI library loader, binding table, skin support layer and unit runtime.

# Probe DLLs of our own: observable TLS callbacks and entry point, hand-assigned ordinals, a
# forwarded export, a relocation-dependent pointer; one variant refuses to attach, one imports
# a function its helper DLL does not have.
function(uilib_probe_dll name)
  cmake_parse_arguments(A "" "" "SOURCES;DEFINITIONS;LIBS" ${ARGN})
  add_library(${name} SHARED ${A_SOURCES})
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  target_compile_definitions(${name} PRIVATE ${A_DEFINITIONS})
  target_link_libraries(${name} PRIVATE ${A_LIBS})
  target_link_options(${name} PRIVATE ${STORVANE_STATIC_LINK} -s -Wl,--kill-at)
endfunction()

set(_probe ${CMAKE_CURRENT_SOURCE_DIR}/probe)
uilib_probe_dll(uilib_probe SOURCES ${_probe}/probe_dll.cpp ${_probe}/probe.def)
uilib_probe_dll(uilib_probe_refusing SOURCES ${_probe}/probe_dll.cpp ${_probe}/probe.def
  DEFINITIONS PROBE_REFUSE_ATTACH)
uilib_probe_dll(uilib_helper SOURCES ${_probe}/helper_dll.cpp)

# An import library that promises more than uilib_helper.dll exports.
find_program(UILIB_DLLTOOL NAMES i686-w64-mingw32-dlltool REQUIRED)
set(_promise ${CMAKE_CURRENT_BINARY_DIR}/libuilib_helper_promise.a)
add_custom_command(OUTPUT ${_promise}
  COMMAND ${UILIB_DLLTOOL} -k -d ${_probe}/helper_promise.def -l ${_promise}
  DEPENDS ${_probe}/helper_promise.def VERBATIM)
add_custom_target(uilib_helper_promise DEPENDS ${_promise})
uilib_probe_dll(uilib_probe_missing SOURCES ${_probe}/probe_dll.cpp ${_probe}/probe.def
  DEFINITIONS PROBE_MISSING_IMPORT LIBS ${_promise})
add_dependencies(uilib_probe_missing uilib_helper_promise)

set(_uilib_probes uilib_probe uilib_probe_refusing uilib_probe_missing uilib_helper)

storvane_test(uilib_mapper_tests LABELS uilib
  SOURCES test_support.cpp pe_image_test.cpp image_mapper_test.cpp binding_test.cpp
  LIBS storvane_uilib
  DEPENDS ${_uilib_probes})
storvane_test(uilib_strict_mapper_tests LABELS uilib
  SOURCES test_support.cpp strict_mapper_test.cpp
  LIBS storvane_uilib
  DEPENDS ${_uilib_probes})
storvane_test(uilib_loading_tests LABELS uilib
  SOURCES test_support.cpp locate_test.cpp loader_test.cpp
  LIBS storvane_uilib
  DEPENDS ${_uilib_probes})
storvane_test(uilib_desktop_tests LABELS uilib DESKTOP
  SOURCES test_support.cpp skin_units_test.cpp skin_commands_test.cpp runtime_test.cpp
  LIBS storvane_uilib
  DEPENDS ${_uilib_probes})
