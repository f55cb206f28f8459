# Connect and Disconnect against real peers; where the settings file lives.
mms_gtest(connection_tests LIBS mms_connection mms_test_support
  SOURCES connection/ConnectionTest.cpp)
mms_gtest(settingsfile_tests LIBS mms_settingsfile
  SOURCES gui/dialogs/SettingsFileTest.cpp)
