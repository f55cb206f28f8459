# Window file and windows set commands of the main window.
mms_qtest(gui_windowfile_test
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/windowfile/WindowCommandsTest.cpp
)
