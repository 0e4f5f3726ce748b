# The records up.exe keeps beside the launcher.
storvane_test(storvane_update_records_test LABELS updater SOURCES update_records_test.cpp LIBS storvane_update_records)
