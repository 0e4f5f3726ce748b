# Tests of the text primitives, the UTF-16/shell helpers, the handle owners and the COM plumbing.
storvane_test(storvane_text_test LABELS text SOURCES text_test.cpp LIBS storvane_text)
storvane_test(storvane_com_test LABELS text SOURCES com_test.cpp LIBS storvane_win)
storvane_test(storvane_handles_test LABELS text SOURCES handles_test.cpp LIBS gdi32 user32)

# A program the shell-open tests start: it writes the command line it received into a file.
add_executable(storvane_arg_sink arg_sink.cpp)
target_link_options(storvane_arg_sink PRIVATE ${STORVANE_STATIC_LINK} -municode)
target_link_libraries(storvane_arg_sink PRIVATE shell32)
storvane_test(storvane_win_text_test LABELS text SOURCES win_text_test.cpp LIBS storvane_win
  DEPENDS storvane_arg_sink)

# The conversions must not lean on the ANSI code page: run them once more where it is 1252.
# C.UTF-8 (always installed) also lets Wine store Chinese file names on the host.
add_test(NAME storvane_win_text_test_cp1252 COMMAND storvane_win_text_test)
set_tests_properties(storvane_win_text_test_cp1252 PROPERTIES LABELS text TIMEOUT 300
  ENVIRONMENT "STORVANE_WINE_LANG=C.UTF-8")
