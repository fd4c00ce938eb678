# mkdeck: builds the template and the sample decks from their text sources.
add_executable(mkdeck ${CMAKE_CURRENT_LIST_DIR}/mkdeck.cpp)
target_link_libraries(mkdeck PRIVATE mnemora_core mnemora_warnings)
