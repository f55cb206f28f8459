# The traffic monitor and trends windows in the program, against a libmodbus slave.
mms_qtest(gui_monitor_tests LIBS mms_e2e_support
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/gui/monitor/MonitorWindowsTest.cpp)
