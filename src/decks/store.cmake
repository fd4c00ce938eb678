# The worksheet store, the study-copy text and the workbook readers beneath
# (.xls with its writer, .xlsx and .ods read-only).
target_sources(mnemora_core PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DeckStore.cpp
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
  ${CMAKE_CURRENT_LIST_DIR}/xls/Workbook.h
  ${CMAKE_CURRENT_LIST_DIR}/xls/Workbook.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xls/CompoundFile.h
  ${CMAKE_CURRENT_LIST_DIR}/xls/CompoundFile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xls/Biff.h
  ${CMAKE_CURRENT_LIST_DIR}/xls/BiffReader.h
  ${CMAKE_CURRENT_LIST_DIR}/xls/BiffReader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/xls/BiffWriter.h
  ${CMAKE_CURRENT_LIST_DIR}/xls/BiffWriter.cpp
)
