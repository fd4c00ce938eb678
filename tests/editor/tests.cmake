# The card editor, driven through the window, with the decks it writes read
# back by our reader, xlrd and FreeXL.
find_package(PkgConfig REQUIRED)
if(NOT TARGET PkgConfig::FREEXL)
  pkg_check_modules(FREEXL REQUIRED IMPORTED_TARGET freexl)
endif()
mnemora_add_test(tst_editor SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_editor.cpp TIMEOUT 300
                 LIBS PkgConfig::FREEXL)
target_include_directories(tst_editor PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../decks ${CMAKE_CURRENT_LIST_DIR}/..)
target_compile_definitions(tst_editor PRIVATE MNEMORA_TEST_SOURCE_DIR="${CMAKE_CURRENT_LIST_DIR}/../decks")
