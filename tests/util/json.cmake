storvane_test(regex_object_tests LABELS regex SOURCES regex_object_test.cpp LIBS storvane_regex)
