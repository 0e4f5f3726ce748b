# Shared helpers for Storvane targets: GUI executables with manifest/version/icon, and test executables.
set(STORVANE_RES_DIR ${CMAKE_SOURCE_DIR}/res)

# The manifest names the build's processor architecture: a 64-bit program that asks for the x86
# common controls gets a 32-bit comctl32 and does not start at all.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(_storvane_manifest_arch amd64)
else()
  set(_storvane_manifest_arch x86)
endif()
file(READ ${STORVANE_RES_DIR}/app.manifest _storvane_manifest)
string(REPLACE "processorArchitecture=\"x86\"" "processorArchitecture=\"${_storvane_manifest_arch}\""
       _storvane_manifest "${_storvane_manifest}")
set(STORVANE_MANIFEST ${CMAKE_BINARY_DIR}/app.manifest)
file(CONFIGURE OUTPUT ${STORVANE_MANIFEST} CONTENT "${_storvane_manifest}" @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${STORVANE_RES_DIR}/app.manifest)

# storvane_gui_exe(<target> OUTPUT_NAME <name> DESCRIPTION <text> [ICON <ico>] SOURCES ... [LIBS ...])
# Every program we ship is a GUI-subsystem exe with a manifest, a VERSIONINFO block and an icon.
function(storvane_gui_exe target)
  cmake_parse_arguments(A "" "OUTPUT_NAME;DESCRIPTION;ICON" "SOURCES;LIBS" ${ARGN})
  if(NOT A_ICON)
    set(A_ICON ${STORVANE_RES_DIR}/storvane.ico)
  endif()
  if(NOT A_OUTPUT_NAME)
    set(A_OUTPUT_NAME ${target})
  endif()
  set(RC_ICON ${A_ICON})
  set(RC_MANIFEST ${STORVANE_MANIFEST})
  set(RC_DESCRIPTION ${A_DESCRIPTION})
  set(RC_FILENAME ${A_OUTPUT_NAME}.exe)
  set(RC_FILETYPE 0x1L)
  configure_file(${STORVANE_RES_DIR}/app.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${target}_app.rc @ONLY)
  add_executable(${target} WIN32 ${A_SOURCES} ${CMAKE_CURRENT_BINARY_DIR}/${target}_app.rc)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${A_OUTPUT_NAME})
  target_link_libraries(${target} PRIVATE ${A_LIBS})
  # Every thread of the process, ours and the system libraries' alike, reserves the image's stack
  # size; 1 MB is what Windows programs are usually given (the toolchain's own default is 2 MB).
  target_link_options(${target} PRIVATE ${STORVANE_STATIC_LINK} -s -Wl,--stack,0x100000)
endfunction()

# storvane_product_warnings(<dir>...)
# Every target the given source folders define (libraries, the DLL and the exes we ship) fails to
# build on a warning. Taken from the folders rather than listed, so a new module is covered the
# day it is added; tests, benchmarks, the demo and GoogleTest are left as they are.
function(storvane_product_warnings)
  if(NOT STORVANE_WERROR)
    return()
  endif()
  foreach(dir IN LISTS ARGN)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      if(type MATCHES "^(STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY|EXECUTABLE)$")
        target_compile_options(${target} PRIVATE -Werror)
      endif()
    endforeach()
  endforeach()
endfunction()

# storvane_test(<name> LABELS ... SOURCES ... [LIBS ...] [FIXTURES ...] [ENVIRONMENT ...]
#               [TIMEOUT s] [DESKTOP])
# One CTest test per test executable, run under Wine through CMAKE_CROSSCOMPILING_EMULATOR.
# DESKTOP marks tests that create windows or send input: they share the one Xvfb screen,
# so they take a lock and never overlap.
function(storvane_test name)
  cmake_parse_arguments(A "DESKTOP" "TIMEOUT" "LABELS;SOURCES;LIBS;FIXTURES;ENVIRONMENT;DEPENDS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_link_libraries(${name} PRIVATE GTest::gtest_main ${A_LIBS})
  target_link_options(${name} PRIVATE ${STORVANE_STATIC_LINK})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
  if(A_DEPENDS)
    add_dependencies(${name} ${A_DEPENDS})
  endif()
  add_test(NAME ${name} COMMAND ${name})
  if(NOT A_TIMEOUT)
    set(A_TIMEOUT 300)
  endif()
  set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}" TIMEOUT ${A_TIMEOUT})
  if(A_FIXTURES)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${A_FIXTURES}")
  endif()
  if(A_ENVIRONMENT)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${A_ENVIRONMENT}")
  endif()
  if(A_DESKTOP)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK desktop)
  endif()
endfunction()

# storvane_optimise_for_size(<image>...)
# The launcher carries the skin-UI library and up.exe inside itself, so every byte of those three
# images is downloaded with each update. Their own code and every static library of ours they
# link are compiled for size, each function and datum in a section of its own, and the images are
# optimised as whole programs at link time, which drops the code nothing reaches. (On i686 the
# linker alone cannot: every function with an unwind entry is kept by the .eh_frame section.)
#
# The libraries carry machine code beside their link-time form, so every other program linking
# them (tests, benchmarks) links their machine code as it always did: links are plain unless
# they ask for more (-fno-lto in the top-level list, -flto here). A link that mixes the two forms
# fails on MinGW with duplicate inline definitions. The link-time step runs as one partition:
# MinGW GCC 12 stops with an internal error in binds_to_current_def_p when it is split.
#
# libstdc++'s default terminate handler prints the uncaught exception's demangled type name to
# stderr before aborting; it brings the whole demangler (about 75 KB per image on i686). Our
# programs are GUI-subsystem images with no stderr to print to, so terminate aborts at once.
function(storvane_optimise_for_size)
  set(_pending ${ARGN})
  set(_seen)
  while(_pending)
    list(POP_FRONT _pending _target)
    if(NOT TARGET ${_target} OR _target IN_LIST _seen)
      continue()
    endif()
    list(APPEND _seen ${_target})
    get_target_property(_imported ${_target} IMPORTED)
    get_target_property(_type ${_target} TYPE)
    if(_imported OR _type STREQUAL "INTERFACE_LIBRARY")
      continue()
    endif()
    # clang-tidy reads these commands too: scripts/lint-compile-db.py drops what only GCC knows.
    target_compile_options(${_target} PRIVATE -Os -ffunction-sections -fdata-sections -flto -ffat-lto-objects)
    foreach(_property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(_libraries ${_target} ${_property})
      if(_libraries)
        list(APPEND _pending ${_libraries})
      endif()
    endforeach()
  endwhile()
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_terminate_handler _ZN9__gnu_cxx27__verbose_terminate_handlerEv=abort)
  else()
    set(_terminate_handler __ZN9__gnu_cxx27__verbose_terminate_handlerEv=_abort)
  endif()
  foreach(_image IN LISTS ARGN)
    target_link_options(${_image} PRIVATE -Os -flto -flto-partition=none -Wl,--gc-sections
                        -Wl,--defsym=${_terminate_handler})
  endforeach()
endfunction()
