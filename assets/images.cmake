# Images/: the Show Answer / Show Question button pictures and the card
# pictures of the sample Shapes deck, drawn by the mkimages tool (see
# tools/images.cmake) into the program folder and installed beside the
# executable.
set(MNEMORA_IMAGE_NAMES
  showans.jpg
  showque.jpg
  circle.jpg
  square.jpg
  triangle.jpg
  star.jpg
  hexagon.jpg
)
list(TRANSFORM MNEMORA_IMAGE_NAMES PREPEND ${MNEMORA_PROGRAM_DIR}/Images/
     OUTPUT_VARIABLE MNEMORA_IMAGE_FILES)

add_custom_command(
  OUTPUT ${MNEMORA_IMAGE_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MNEMORA_PROGRAM_DIR}/Images
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          $<TARGET_FILE:mkimages> ${MNEMORA_PROGRAM_DIR}/Images ${MNEMORA_IMAGE_NAMES}
  DEPENDS mkimages
  COMMENT "Drawing the pictures of Images/"
  VERBATIM
)
add_custom_target(mnemora_images ALL DEPENDS ${MNEMORA_IMAGE_FILES})

install(FILES ${MNEMORA_IMAGE_FILES} DESTINATION ${MNEMORA_INSTALL_DIR}/Images)
