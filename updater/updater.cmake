# up.exe, the launcher's updater, and the pieces its tests use directly.
add_library(storvane_updater_core STATIC
  update_arguments.cpp launcher_wait.cpp update_job.cpp updater_layout.cpp canvas.cpp)
target_include_directories(storvane_updater_core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_updater_core PUBLIC storvane_download storvane_update_records storvane_finder storvane_win shell32)

add_library(storvane_updater_ui STATIC
  updater_window.cpp updater_paint.cpp progress_control.cpp accessible_control.cpp)
target_link_libraries(storvane_updater_ui PUBLIC storvane_updater_core comctl32 oleacc ole32 oleaut32 uuid)

storvane_gui_exe(up OUTPUT_NAME up DESCRIPTION "Storvane 更新程序"
  SOURCES updater_main.cpp LIBS storvane_updater_ui)
target_link_options(up PRIVATE -municode)
