# The skin-UI library loader, binding table, skin support layer and unit runtime.
#
# The library DLL is carried inside the program: at build time a small source is generated
# that pulls the built ExuiKrnln.dll into read-only data with the assembler's .incbin and states
# its length as a constant. This file is also that generator, run in script mode
# (cmake -DLIBRARY=<dll> -DOUTPUT=<cpp> -P uilib.cmake).
if(DEFINED CMAKE_SCRIPT_MODE_FILE)
  if(LIBRARY)
    file(SIZE "${LIBRARY}" _size)
    string(REPLACE "\\" "\\\\" _path "${LIBRARY}")
    string(REPLACE "\"" "\\\"" _path "${_path}")
    set(_data "extern \"C\" const unsigned char kCarriedUiLibraryData[] asm(\"storvane_carried_ui_library\");
// Emitted before any code of this file, so the assembler is back in .text afterwards as the
// compiler expects.
asm(R\"(.section .rdata,\"dr\"
.balign 16
storvane_carried_ui_library:
.incbin \"${_path}\"
.text)\");
constexpr std::size_t kCarriedUiLibrarySize = ${_size};
")
    set(_body "return {kCarriedUiLibraryData, kCarriedUiLibrarySize};")
  else()
    set(_data "")
    set(_body "return {};")
  endif()
  file(WRITE "${OUTPUT}" "// Generated at build time from the built skin-UI library; do not edit.
#include \"uilib/carried_library.h\"

#include <cstddef>

namespace storvane::uilib {
namespace {
${_data}}  // namespace

std::span<const std::uint8_t> CarriedUiLibrary() { ${_body} }

}  // namespace storvane::uilib
")
  return()
endif()

set(_uilib_carried ${CMAKE_CURRENT_BINARY_DIR}/carried_library_data.cpp)
if(TARGET ExuiKrnln)
  add_custom_command(
    OUTPUT ${_uilib_carried}
    COMMAND ${CMAKE_COMMAND} -DLIBRARY=$<TARGET_FILE:ExuiKrnln> -DOUTPUT=${_uilib_carried} -P ${CMAKE_CURRENT_LIST_FILE}
    DEPENDS ExuiKrnln $<TARGET_FILE:ExuiKrnln> ${CMAKE_CURRENT_LIST_FILE}
    COMMENT "Carrying ExuiKrnln.dll in the program's data"
    VERBATIM)
else()
  message(WARNING "ExuiKrnln is not part of this build: the program carries no skin-UI library")
  execute_process(COMMAND ${CMAKE_COMMAND} -DOUTPUT=${_uilib_carried} -P ${CMAKE_CURRENT_LIST_FILE})
endif()

add_library(storvane_uilib STATIC
  ${_uilib_carried}
  binding.cpp
  image_mapper.cpp
  loader.cpp
  locate.cpp
  pe_image.cpp
  runtime.cpp
  skin_commands.cpp
  skin_units.cpp
  strict_mapper.cpp
  ui_library_record.cpp
)
target_include_directories(storvane_uilib PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/exui/include)
target_link_libraries(storvane_uilib PUBLIC storvane_pe storvane_win user32 gdi32)
