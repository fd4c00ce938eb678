# bench_study: opening a 32,000-card deck and marking its cards through the
# window, beside FreeXL's read of the same file. Prints its figures.
find_package(PkgConfig REQUIRED)
if(NOT TARGET PkgConfig::FREEXL)
  pkg_check_modules(FREEXL REQUIRED IMPORTED_TARGET freexl)
endif()
add_executable(bench_study ${CMAKE_CURRENT_LIST_DIR}/bench_study.cpp)
target_link_libraries(bench_study PRIVATE mnemora_lib mnemora_warnings PkgConfig::FREEXL)
