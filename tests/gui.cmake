include(gui_shell.cmake)       # main window
include(gui_dialogs.cmake)     # settings dialogs, splash, licence
include(gui_datawindow.cmake)  # data window, threshold dialog
include(gui_write.cmake)       # write dialogs
include(gui_windowfile.cmake)  # window files and sets through the real menu commands
include(gui_access.cmake)      # keyboard and screen-reader access to every window
include(gui_e2e.cmake)       # the whole program against real slaves
include(gui_monitor.cmake)   # traffic monitor and trends
