# Settings file location and keys (core), the settings dialogs, splash and licence windows.
mms_qtest(gui_settings_dialogs_tests
  SOURCES gui/dialogs/SettingsDialogsTest.cpp gui/dialogs/DialogTestSupport.h)
mms_qtest(gui_auxiliary_windows_tests
  SOURCES gui/dialogs/AuxiliaryWindowsTest.cpp)
