# Demo tools: one source built into several differently named programs, each standing in for a
# store-management tool of the demo catalogue (and used by the process-finder tests).
set(_storvane_demo_tools
  "shoptool_a|店铺助手|RGB(0x2D,0x8C,0xF0)"
  "shoptool_b|商品采集|RGB(0x19,0xBE,0x6B)"
  "shoptool_c|订单管理|RGB(0xFF,0x99,0x00)")
foreach(_tool IN LISTS _storvane_demo_tools)
  string(REPLACE "|" ";" _parts "${_tool}")
  list(GET _parts 0 _name)
  list(GET _parts 1 _title)
  list(GET _parts 2 _accent)
  storvane_gui_exe(${_name} OUTPUT_NAME ${_name} DESCRIPTION "${_title}" ICON ${STORVANE_RES_DIR}/tool.ico
    SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tool.cpp LIBS gdi32 shell32)
  target_include_directories(${_name} PRIVATE ${CMAKE_SOURCE_DIR}/src)
  target_compile_definitions(${_name} PRIVATE "TOOL_TITLE=L\"${_title}\"" "TOOL_ACCENT=${_accent}")
endforeach()
