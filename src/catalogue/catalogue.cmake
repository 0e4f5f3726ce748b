# The catalogue: fetch, items, item actions, install flow and running watcher, written against
# small interfaces of the main window's units (catalogue_view.h, catalogue_environment.h).
add_library(storvane_catalogue STATIC
  font_descriptor.cpp
  catalogue.cpp
  catalogue_view.cpp
  catalogue_item.cpp
  catalogue_load.cpp
  offline_copy.cpp
  install_flow.cpp
  item_actions.cpp
  running_watch.cpp)
target_include_directories(storvane_catalogue PUBLIC ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/exui/include)
target_link_libraries(storvane_catalogue PUBLIC
  storvane_answer_trust storvane_catalogue_rules storvane_finder storvane_download storvane_net storvane_json storvane_win shell32 user32)

# The catalogue's part of the main window and the download window, over the skin-UI runtime.
add_library(storvane_catalogue_window STATIC
  catalogue_list.cpp
  catalogue_controls.cpp
  item_menu.cpp
  catalogue_window.cpp
  download_window.cpp)
target_include_directories(storvane_catalogue_window PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_catalogue_window PUBLIC storvane_catalogue storvane_uilib)
