# The worksheet store, the study-copy text and the workbook readers beneath
# (.xls with its writer, .xlsx and .ods read-only).
target_sources(mnemora_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DeckStore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeckSave.h
  ${CMAKE_CURRENT_LIST_DIR}/DeckSave.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DeckFormat.h
  ${CMAKE_CURRENT_LIST_DIR}/DeckFormat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zip/ZipArchive.h
  ${CMAKE_CURRENT_LIST_DIR}/zip/ZipArchive.cpp
  ${CMAKE_CURRENT_LIST_DIR}/zip/XmlPart.h
  ${CMAKE_CURRENT_LIST_DIR}/zip/XmlPart.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ooxml/XlsxReader.h
  ${CMAKE_CURRENT_LIST_DIR}/ooxml/XlsxReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/odf/OdsReader.h
  ${CMAKE_CURRENT_LIST_DIR}/odf/OdsReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StudyCopy.h
  ${CMAKE_CURRENT_LIST_DIR}/StudyCopy.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Workbook.h
  ${CMAKE_CURRENT_LIST_DIR}/Workbook.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DateText.h
  ${CMAKE_CURRENT_LIST_DIR}/DateText.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xls/CompoundFile.h
  ${CMAKE_CURRENT_LIST_DIR}/xls/Biff.h
  ${CMAKE_CURRENT_LIST_DIR}/xls/BiffReader.h
  ${CMAKE_CURRENT_LIST_DIR}/xls/BiffReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xls/BiffWriter.h
  ${CMAKE_CURRENT_LIST_DIR}/xls/BiffWriter.cpp
)

# The compound-file container goes through libgsf, which brings the GLib
# object and I/O libraries: built as a module the program loads when it
# first reads or writes a workbook, not at start-up. The fuzz targets link
# it in, so that it is instrumented with the rest.
if(MNEMORA_OLE_MODULE)
  target_sources(mnemora_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xls/CompoundFileLoader.cpp)
  target_compile_definitions(mnemora_core PRIVATE MNEMORA_MODULE_DIR="${MNEMORA_PROGRAM_DIR}")
  add_library(mnemora_ole MODULE ${CMAKE_CURRENT_LIST_DIR}/xls/CompoundFile.cpp
                                 ${CMAKE_CURRENT_LIST_DIR}/xls/CompoundFileModule.cpp)
  target_include_directories(mnemora_ole PRIVATE ${CMAKE_CURRENT_LIST_DIR}/..)
  target_link_libraries(mnemora_ole PRIVATE Qt6::Core PkgConfig::GSF mnemora_warnings)
  set_target_properties(mnemora_ole PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${MNEMORA_PROGRAM_DIR})
  install(TARGETS mnemora_ole LIBRARY DESTINATION ${MNEMORA_INSTALL_DIR})
  add_dependencies(mnemora_core mnemora_ole)
else()
  target_sources(mnemora_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/xls/CompoundFile.cpp)
  target_link_libraries(mnemora_core PUBLIC PkgConfig::GSF)
endif()
