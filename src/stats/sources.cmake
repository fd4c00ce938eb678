# The statistics texts.
target_sources(mnemora_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/StatsText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatsText.h
)
# The statistics view.
target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_stats.cpp
)
