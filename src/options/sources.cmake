# The options record and its coupling rules.
target_sources(mnemora_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/StudyOptions.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StudyOptions.h
)
# The options view.
target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_options.cpp
)
