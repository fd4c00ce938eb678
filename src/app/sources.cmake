target_sources(mnemora_lib PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Artwork.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Artwork.h
  ${CMAKE_CURRENT_LIST_DIR}/FileSystemObject.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FileSystemObject.h
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion.h
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_desktop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/frmQuestion_screen.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SignalClose.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SignalClose.h
  ${CMAKE_CURRENT_LIST_DIR}/modMnemora.cpp
  ${CMAKE_CURRENT_LIST_DIR}/modMnemora.h
  ${CMAKE_CURRENT_LIST_DIR}/ProgramFolder.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ProgramFolder.h
  ${CMAKE_CURRENT_LIST_DIR}/Widgets.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Widgets.h
)
target_compile_definitions(mnemora_lib PRIVATE MNEMORA_VERSION="${PROJECT_VERSION}")

# The command line, read before any window exists.
target_sources(mnemora_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/CommandLine.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CommandLine.h
)
target_compile_definitions(mnemora_core PRIVATE MNEMORA_VERSION="${PROJECT_VERSION}")
