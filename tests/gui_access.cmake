# Keyboard and screen-reader access to every window, through the assembled program.
mms_qtest(gui_access_tests
  SOURCES
    gui/access/Main.cpp
    gui/access/AccessTestSupport.h
    gui/access/AccessTestSupport.cpp
    gui/access/MainWindowAccessTest.cpp
    gui/access/DataWindowAccessTest.cpp
    gui/access/SettingsAccessTest.cpp
    gui/access/AuxiliaryAccessTest.cpp
)
