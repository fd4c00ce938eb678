mnemora_add_test(tst_logic SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_logic.cpp)
mnemora_add_test(tst_study SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_study.cpp TIMEOUT 300 LIBS Qt6::Charts)
