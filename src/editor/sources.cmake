# Window procedures and plain logic of this subsystem.
target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_editor.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RemovalShift.cpp
  ${CMAKE_CURRENT_LIST_DIR}/RemovalShift.h
)
