# Tests of the skin-UI library. The DLL is copied beside the test programs, which load it with
# LoadLibrary exactly as any program would.
add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/ExuiKrnln.dll
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:ExuiKrnln> ${CMAKE_CURRENT_BINARY_DIR}/ExuiKrnln.dll
  DEPENDS ExuiKrnln)
add_custom_target(exui_test_dll DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/ExuiKrnln.dll)

# Reads another process's windows through MSAA, as a screen reader or a test driver would.
add_executable(exui_msaa_probe msaa_probe.cpp)
target_link_libraries(exui_msaa_probe PRIVATE oleacc ole32 oleaut32 uuid)
target_link_options(exui_msaa_probe PRIVATE ${STORVANE_STATIC_LINK})

storvane_test(exui_unit_tests LABELS exui
  SOURCES element_model_test.cpp list_layout_test.cpp skin_test.cpp font_test.cpp menu_test.cpp image_test.cpp
          exports_test.cpp exui_dll.cpp
  LIBS exui_core gdiplus shlwapi
  DEPENDS exui_test_dll)

storvane_test(exui_desktop_tests LABELS exui DESKTOP
  SOURCES controls_test.cpp menu_popup_test.cpp accessible_test.cpp sample_screenshot_test.cpp msaa_client.cpp
          exui_dll.cpp sample_window.cpp
  LIBS gdiplus shlwapi oleacc ole32 oleaut32 uuid
  DEPENDS exui_test_dll exui_msaa_probe
  ENVIRONMENT "EXUI_ARTIFACTS=Z:${CMAKE_BINARY_DIR}/artifacts")
target_include_directories(exui_unit_tests PRIVATE ${CMAKE_SOURCE_DIR})
target_include_directories(exui_desktop_tests PRIVATE ${CMAKE_SOURCE_DIR})
