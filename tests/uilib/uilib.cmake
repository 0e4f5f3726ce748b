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

# The .def files name the 32-bit build's stdcall symbols (Name@N). 64-bit code has a single
# calling convention and undecorated symbols, so that build uses copies with the decorations
# taken off; ordinals (" @N", after a space) stay.
function(uilib_probe_def file out)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(${out} ${_probe}/${file} PARENT_SCOPE)
    return()
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_probe}/${file})
  file(READ ${_probe}/${file} _text)
  string(REGEX REPLACE "([A-Za-z0-9_])@[0-9]+" "\\1" _text "${_text}")
  set(_undecorated ${CMAKE_CURRENT_BINARY_DIR}/undecorated/${file})
  file(WRITE ${_undecorated}.new "${_text}")
  configure_file(${_undecorated}.new ${_undecorated} COPYONLY)  # rewritten only when it changes
  set(${out} ${_undecorated} PARENT_SCOPE)
endfunction()
uilib_probe_def(probe.def _probe_def)
uilib_probe_def(helper_promise.def _promise_def)

uilib_probe_dll(uilib_probe SOURCES ${_probe}/probe_dll.cpp ${_probe_def})
uilib_probe_dll(uilib_probe_refusing SOURCES ${_probe}/probe_dll.cpp ${_probe_def}
  DEFINITIONS PROBE_REFUSE_ATTACH)
uilib_probe_dll(uilib_helper SOURCES ${_probe}/helper_dll.cpp)

# An import library that promises more than uilib_helper.dll exports, made by the toolchain's
# own dlltool (found by CMake under the compilers' target prefix) for the build's machine.
if(NOT CMAKE_DLLTOOL)
  message(FATAL_ERROR "No dlltool for ${CMAKE_CXX_COMPILER}: the uilib test probes need one")
endif()
set(_promise ${CMAKE_CURRENT_BINARY_DIR}/libuilib_helper_promise.a)
add_custom_command(OUTPUT ${_promise}
  COMMAND ${CMAKE_DLLTOOL} -k -d ${_promise_def} -l ${_promise}
  DEPENDS ${_promise_def} VERBATIM)
add_custom_target(uilib_helper_promise DEPENDS ${_promise})
uilib_probe_dll(uilib_probe_missing SOURCES ${_probe}/probe_dll.cpp ${_probe_def}
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
