# Connection settings and data definition dialogs (gui), over the core
# settings-file helper.
include(${CMAKE_CURRENT_LIST_DIR}/settingsfile.cmake)
target_sources(mms_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/DialogSupport.h
  ${CMAKE_CURRENT_LIST_DIR}/DialogSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Settings.h
  ${CMAKE_CURRENT_LIST_DIR}/Settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Setup.h
  ${CMAKE_CURRENT_LIST_DIR}/Setup.cpp
)
target_link_libraries(mms_gui PUBLIC mms_settingsfile)
