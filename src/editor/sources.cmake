# The removal shift over rows.
target_sources(mnemora_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/RemovalShift.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RemovalShift.h
  ${CMAKE_CURRENT_LIST_DIR}/CardFiles.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CardFiles.h
)
# The card editor.
target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_editor.cpp
)
