# mms_settingsfile: where the settings file lives and the dialogs' view of its keys.
include_guard(GLOBAL)
mms_core_library(mms_settingsfile
  ${CMAKE_CURRENT_LIST_DIR}/SettingsFile.cpp
)
target_link_libraries(mms_settingsfile PUBLIC mms_common)
