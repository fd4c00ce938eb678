target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CardQueue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CardQueue.h
  ${CMAKE_CURRENT_LIST_DIR}/Choices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Choices.h
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_study.cpp
)
