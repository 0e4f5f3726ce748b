# Tests of the catalogue: the list template and items over a recording fake of the list, the
# catalogue load against the demo version service, the item actions and install flow on real
# folders, downloads and tool processes, and the running watcher.
add_library(storvane_catalogue_fakes STATIC catalogue_fakes.cpp)
target_include_directories(storvane_catalogue_fakes PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_catalogue_fakes PUBLIC storvane_catalogue)

storvane_test(catalogue_unit_tests LABELS catalogue
  SOURCES font_descriptor_test.cpp item_template_test.cpp catalogue_item_test.cpp
  LIBS storvane_catalogue storvane_catalogue_fakes storvane_shell_test_support)
