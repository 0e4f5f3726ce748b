# Digests and signatures, checked against vectors openssl makes for each run (the test program
# runs under Wine and cannot start openssl itself).
find_program(STORVANE_PYTHON3 python3 REQUIRED)
set(_signing_vectors ${CMAKE_BINARY_DIR}/test-data/signing-vectors)
add_test(NAME signing_vectors_make
         COMMAND ${STORVANE_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/signing_vectors.py ${_signing_vectors})
set_tests_properties(signing_vectors_make PROPERTIES FIXTURES_SETUP signing_vectors LABELS fixture TIMEOUT 120)
storvane_test(storvane_crypto_test LABELS crypto SOURCES crypto_test.cpp LIBS storvane_crypto storvane_win
  FIXTURES signing_vectors ENVIRONMENT STORVANE_SIGNING_VECTORS=${_signing_vectors})
