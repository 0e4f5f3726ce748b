# The header checks of PE images, and the check of a program file on disk built on them.
include(${CMAKE_SOURCE_DIR}/tests/support/support.cmake)
storvane_test(storvane_pe_test LABELS pe SOURCES pe_headers_test.cpp image_file_test.cpp
  LIBS storvane_pe storvane_test_support)
