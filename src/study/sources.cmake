# The card queue and the choices.
target_sources(mnemora_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CardQueue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CardQueue.h
  ${CMAKE_CURRENT_LIST_DIR}/Choices.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Choices.h
)
# The study run in the window.
target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_study.cpp
)
