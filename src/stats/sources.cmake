target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_stats.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatsText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatsText.h
)
