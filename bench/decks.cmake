# bench_decks: reading, converting and rewriting a 32,000-card deck, with
# FreeXL as the yardstick for reading. Prints its figures; not a test.
find_package(PkgConfig REQUIRED)
if(NOT TARGET PkgConfig::FREEXL)
  pkg_check_modules(FREEXL REQUIRED IMPORTED_TARGET freexl)
endif()
add_executable(bench_decks ${CMAKE_CURRENT_LIST_DIR}/bench_decks.cpp)
target_link_libraries(bench_decks PRIVATE mnemora_lib mnemora_warnings PkgConfig::FREEXL)
