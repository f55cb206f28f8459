# Write coil and write register dialogs.
mms_qtest(gui_write_tests
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/gui/write/WriteDialogsTest.cpp
)
