mnemora_add_test(tst_window SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_window.cpp)
mnemora_add_test(tst_deckfiles SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_deckfiles.cpp)
mnemora_add_test(tst_studydocument SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_studydocument.cpp)
mnemora_add_test(tst_desktop SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_desktop.cpp TIMEOUT 180)
target_compile_definitions(tst_desktop PRIVATE MNEMORA_CMAKE="${CMAKE_COMMAND}")
# Installs the program: everything installed must be built first.
add_dependencies(tst_desktop mnemora mnemora_icons)
mnemora_add_test(tst_screen SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_screen.cpp TIMEOUT 240)
add_dependencies(tst_screen mnemora)
# The layout and the verdict once more on a screen of device pixel ratio 2.
add_test(NAME tst_screen_scale2 COMMAND tst_screen theLayoutGrowsWithTheWindow theVerdictIsReadable aLongCardIsReadToItsEnd)
set_tests_properties(tst_screen_scale2 PROPERTIES TIMEOUT 240 ENVIRONMENT
  "HOME=${CMAKE_CURRENT_BINARY_DIR}/home/tst_screen;QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=2;QTEST_FUNCTION_TIMEOUT=60000;XDG_RUNTIME_DIR=${MNEMORA_TEST_RUNTIME_DIR};QT_LOGGING_RULES=qt.qpa.*=false")
