target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/StudyOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StudyOptions.h
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_options.cpp
)
