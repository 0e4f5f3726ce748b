storvane_test(regex_object_tests LABELS regex SOURCES regex_object_test.cpp LIBS storvane_regex)
storvane_test(json_document_tests LABELS json SOURCES json_document_test.cpp LIBS storvane_json)
