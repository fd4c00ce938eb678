mnemora_add_test(tst_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_window.cpp)
mnemora_add_test(tst_deckfiles SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_deckfiles.cpp)
mnemora_add_test(tst_studydocument SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_studydocument.cpp)
mnemora_add_test(tst_desktop SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_desktop.cpp TIMEOUT 180)
target_compile_definitions(tst_desktop PRIVATE MNEMORA_CMAKE="${CMAKE_COMMAND}")
# Installs the program: everything installed must be built first.
add_dependencies(tst_desktop mnemora mnemora_icons)
