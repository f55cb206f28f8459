# Window file and windows set commands of the main window.
target_sources(mms_gui PRIVATE
  ${PROJECT_SOURCE_DIR}/src/shell/WindowCommands.h
  ${PROJECT_SOURCE_DIR}/src/shell/WindowCommands.cpp
)
