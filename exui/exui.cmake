# ExuiKrnln.dll, the skin-UI library: a 32-bit DLL of undecorated __stdcall exports that imports
# only system DLLs. The drawing and model code is also a static library, so the tests can reach
# the pure parts (element model, layout, skins, fonts) without going through the exports.
add_library(exui_core STATIC
  src/accessible.cpp
  src/control.cpp
  src/draw.cpp
  src/element_model.cpp
  src/font.cpp
  src/ico_list.cpp
  src/image.cpp
  src/library.cpp
  src/list_layout.cpp
  src/menu.cpp
  src/progress_bar.cpp
  src/push_button.cpp
  src/skin.cpp
  src/static_controls.cpp
  src/window_frame.cpp)
target_include_directories(exui_core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR}/src)
target_link_libraries(exui_core PUBLIC storvane_win gdiplus oleacc ole32 oleaut32 uuid shlwapi user32 gdi32)

add_library(ExuiKrnln SHARED src/exports.cpp ${CMAKE_CURRENT_SOURCE_DIR}/ExuiKrnln.def)
set_target_properties(ExuiKrnln PROPERTIES PREFIX "" OUTPUT_NAME ExuiKrnln)
target_link_libraries(ExuiKrnln PRIVATE exui_core)
# The .def file names the exports without the @N stdcall decoration; the fix-up maps them.
target_link_options(ExuiKrnln PRIVATE ${STORVANE_STATIC_LINK} -s -Wl,--enable-stdcall-fixup)
