# Decks/default.xls (the template for new decks) and the sample decks in
# Decks/Deck1/, made by mkdeck from the text sources in assets/Decks.
set(MNEMORA_DECKS_OUT ${MNEMORA_PROGRAM_DIR}/Decks)
file(MAKE_DIRECTORY ${MNEMORA_DECKS_OUT}/Deck1)

set(_deck_outputs)
set(_default_src ${CMAKE_CURRENT_LIST_DIR}/Decks/default.tsv)
add_custom_command(
  OUTPUT ${MNEMORA_DECKS_OUT}/default.xls
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MNEMORA_DECKS_OUT}
  COMMAND mkdeck ${MNEMORA_DECKS_OUT}/default.xls ${_default_src}
  DEPENDS mkdeck ${_default_src}
  COMMENT "Making the deck template default.xls"
  VERBATIM)
list(APPEND _deck_outputs ${MNEMORA_DECKS_OUT}/default.xls)
install(FILES ${MNEMORA_DECKS_OUT}/default.xls DESTINATION ${MNEMORA_INSTALL_DIR}/Decks)

file(GLOB _deck_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/Decks/Deck1/*.tsv)
foreach(_src IN LISTS _deck_sources)
  get_filename_component(_name ${_src} NAME_WE)
  set(_out ${MNEMORA_DECKS_OUT}/Deck1/${_name}.xls)
  add_custom_command(
    OUTPUT ${_out}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MNEMORA_DECKS_OUT}/Deck1
    COMMAND mkdeck ${_out} ${_src}
    DEPENDS mkdeck ${_src}
    COMMENT "Making the sample deck ${_name}.xls"
    VERBATIM)
  list(APPEND _deck_outputs ${_out})
  install(FILES ${_out} DESTINATION ${MNEMORA_INSTALL_DIR}/Decks/Deck1)
endforeach()

add_custom_target(decks ALL DEPENDS ${_deck_outputs})
# Keeps the (possibly empty) deck folder in an installed program.
install(DIRECTORY DESTINATION ${MNEMORA_INSTALL_DIR}/Decks/Deck1)
