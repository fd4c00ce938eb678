# What makes an installed copy a desktop program: the launcher bin/mnemora,
# the menu entry and the icon in the hicolor theme (drawn by mkimages from the
# same artwork the window takes its icon from).
set(MNEMORA_DESKTOP_OUT ${PROJECT_BINARY_DIR}/desktop)

configure_file(${CMAKE_CURRENT_LIST_DIR}/mnemora.in ${MNEMORA_DESKTOP_OUT}/mnemora @ONLY)
install(PROGRAMS ${MNEMORA_DESKTOP_OUT}/mnemora DESTINATION bin)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/mnemora.desktop DESTINATION share/applications)

set(_icon_outputs)
foreach(_size 48 128 256)
  set(_icon ${MNEMORA_DESKTOP_OUT}/${_size}x${_size}/mnemora.png)
  add_custom_command(
    OUTPUT ${_icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MNEMORA_DESKTOP_OUT}/${_size}x${_size}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
            $<TARGET_FILE:mkimages> --icon ${_icon} ${_size}
    DEPENDS mkimages
    COMMENT "Drawing the ${_size}x${_size} icon"
    VERBATIM)
  list(APPEND _icon_outputs ${_icon})
  install(FILES ${_icon} DESTINATION share/icons/hicolor/${_size}x${_size}/apps)
endforeach()
add_custom_target(mnemora_icons ALL DEPENDS ${_icon_outputs})
