mms_core_library(mms_windowfile
  ${CMAKE_CURRENT_LIST_DIR}/Windowfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/../shell/Windowsset.cpp
)
target_link_libraries(mms_windowfile PUBLIC mms_common mms_datawindow_core)
