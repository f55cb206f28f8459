mms_core_library(mms_datawindow_core
  ${CMAKE_CURRENT_LIST_DIR}/ValueFormat.cpp
)
target_link_libraries(mms_datawindow_core PUBLIC mms_common)
