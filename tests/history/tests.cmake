mnemora_add_test(tst_history SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_history.cpp TIMEOUT 180 LIBS Qt6::Charts)
