# The study history: the SQLite store and the tables' model, with Qt Core
# and Qt SQL alone.
add_library(mnemora_history STATIC
  ${CMAKE_CURRENT_LIST_DIR}/ChartScale.h
  ${CMAKE_CURRENT_LIST_DIR}/HistoryStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/HistoryStore.h
  ${CMAKE_CURRENT_LIST_DIR}/TableModel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TableModel.h
)
target_link_libraries(mnemora_history PUBLIC mnemora_core Qt6::Sql PRIVATE mnemora_warnings)
target_link_libraries(mnemora_lib PUBLIC mnemora_history)
# The history view in the window.
target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_history.cpp
)
