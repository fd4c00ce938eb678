# The statistics texts.
target_sources(mnemora_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/StatsText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StatsText.h
)
# The statistics view; its pie chart comes from a module loaded when it is
# first shown, so that QtCharts is not loaded at start-up.
target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_stats.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PieChart.h
  ${CMAKE_CURRENT_LIST_DIR}/PieChart.cpp
)
target_compile_definitions(mnemora_lib PRIVATE MNEMORA_MODULE_DIR="${MNEMORA_PROGRAM_DIR}")
add_library(mnemora_chart MODULE ${CMAKE_CURRENT_LIST_DIR}/PieChartModule.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/../history/HistoryChartModule.cpp)
target_link_libraries(mnemora_chart PRIVATE Qt6::Widgets Qt6::Charts mnemora_warnings)
target_include_directories(mnemora_chart PRIVATE ${PROJECT_SOURCE_DIR}/src)
set_target_properties(mnemora_chart PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${MNEMORA_PROGRAM_DIR})
install(TARGETS mnemora_chart LIBRARY DESTINATION ${MNEMORA_INSTALL_DIR})
