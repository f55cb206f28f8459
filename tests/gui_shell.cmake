# The main window, its helpers, and the queue behind the user-interface dispatcher.
mms_qtest(gui_mainwindow_tests SOURCES gui/shell/MainWindowTest.cpp)
mms_qtest(gui_ui_helpers_tests SOURCES gui/shell/UiHelpersTest.cpp)
mms_qtest(gui_program_tests SOURCES gui/shell/ProgramTest.cpp)
