target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_options.cpp
)
