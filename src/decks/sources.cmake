# The workbook layer, the worksheet store and the study-copy text.
include(${CMAKE_CURRENT_LIST_DIR}/store.cmake)

# Deck paths and the study copy's loading.
target_sources(mnemora_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DeckPaths.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeckPaths.h
  ${CMAKE_CURRENT_LIST_DIR}/OpenFailure.cpp
  ${CMAKE_CURRENT_LIST_DIR}/OpenFailure.h
  ${CMAKE_CURRENT_LIST_DIR}/StudyDocument.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StudyDocument.h
)
# The window's deck procedures.
target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_decks.cpp
)
