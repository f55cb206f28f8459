# Data window and threshold dialog under the offscreen platform.
mms_qtest(gui_datawindow_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/gui/datawindow/Main.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gui/datawindow/GuiTestSupport.h
    ${CMAKE_CURRENT_LIST_DIR}/gui/datawindow/DataWindowTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/gui/datawindow/ThresholdDialogTest.cpp
)
