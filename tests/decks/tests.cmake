# Tests of the workbook layer, the worksheet store and the study copy.
find_package(PkgConfig REQUIRED)
if(NOT TARGET PkgConfig::FREEXL)
  pkg_check_modules(FREEXL REQUIRED IMPORTED_TARGET freexl)
endif()

set(_decks_tests ${CMAKE_CURRENT_LIST_DIR})
foreach(_t xls decks)
  mnemora_add_test(tst_${_t} SOURCES ${_decks_tests}/tst_${_t}.cpp ${_decks_tests}/DeckTestSupport.h
                   LIBS PkgConfig::FREEXL)
  target_include_directories(tst_${_t} PRIVATE ${_decks_tests})
  target_compile_definitions(tst_${_t} PRIVATE MNEMORA_TEST_SOURCE_DIR="${_decks_tests}")
endforeach()
