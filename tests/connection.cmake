# Connect and Disconnect against real peers; where the settings file lives.
mms_gtest(connection_tests LIBS mms_connection mms_test_support
  SOURCES connection/ConnectionTest.cpp)
mms_gtest(settingsfile_tests LIBS mms_settingsfile
  SOURCES gui/dialogs/SettingsFileTest.cpp)
# The queue behind the user-interface dispatcher: plain C++, so it runs under ThreadSanitizer too.
mms_gtest(ui_task_queue_tests LIBS mms_common SOURCES gui/shell/UiTaskQueueTest.cpp)
