# CSV quoting, timestamps, cell rows, register maps.
mms_gtest(csv_tests LIBS mms_datawindow_core SOURCES ${CMAKE_CURRENT_LIST_DIR}/csv/CsvTest.cpp)
# Headless runs against a libmodbus slave, with the CSV log.
mms_gtest(headless_tests LIBS mms_headless mms_test_support
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/csv/HeadlessTest.cpp)
if(MMS_BUILD_GUI)
  # Export to CSV and Import from CSV through the main window.
  mms_qtest(gui_csv_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/csv/CsvCommandsTest.cpp)
endif()
