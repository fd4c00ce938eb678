mnemora_add_test(tst_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_window.cpp)
