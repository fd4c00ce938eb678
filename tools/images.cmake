# mkimages: draws the pictures of the program folder's Images/ at build time.
# It compiles the program's artwork source directly and needs only Qt GUI,
# so it does not depend on the rest of the program.
cmake_path(SET MNEMORA_SRC_DIR NORMALIZE ${CMAKE_CURRENT_LIST_DIR}/../src)
add_executable(mkimages
  ${CMAKE_CURRENT_LIST_DIR}/mkimages.cpp
  ${MNEMORA_SRC_DIR}/app/Artwork.cpp
  ${MNEMORA_SRC_DIR}/app/Artwork.h
)
target_include_directories(mkimages PRIVATE ${MNEMORA_SRC_DIR})
target_link_libraries(mkimages PRIVATE Qt6::Gui mnemora_warnings)
set_target_properties(mkimages PROPERTIES AUTOMOC OFF)
