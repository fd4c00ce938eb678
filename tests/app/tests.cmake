mnemora_add_test(tst_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_window.cpp)
mnemora_add_test(tst_deckfiles SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_deckfiles.cpp)
mnemora_add_test(tst_studydocument SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_studydocument.cpp)
