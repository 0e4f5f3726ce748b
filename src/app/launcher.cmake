# storvane.exe: the launcher, carrying its skin-UI library and its updater.
storvane_gui_exe(storvane OUTPUT_NAME storvane DESCRIPTION "Storvane"
  SOURCES main.cpp startup.cpp main_window.cpp
  LIBS storvane_uilib storvane_catalogue_window storvane_catalogue storvane_self_update storvane_shell
       storvane_kill storvane_win)
target_include_directories(storvane PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/exui/include)
