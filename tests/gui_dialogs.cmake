# Settings file location and keys (core), the settings dialogs, splash and licence windows.
mms_qtest(gui_settings_dialogs_tests
  SOURCES gui/dialogs/SettingsDialogsTest.cpp gui/dialogs/DialogTestSupport.h)
mms_qtest(gui_auxiliary_windows_tests
  SOURCES gui/dialogs/AuxiliaryWindowsTest.cpp)
# The device scan and identification dialogs, over a scripted slave.
mms_qtest(gui_device_tools_tests
  LIBS mms_polling mms_transport mms_test_support
  SOURCES gui/dialogs/DeviceToolsDialogsTest.cpp)
