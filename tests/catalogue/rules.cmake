storvane_test(catalogue_rules_tests LABELS catalogue
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/entry_rules_test.cpp
  LIBS storvane_catalogue_rules)
