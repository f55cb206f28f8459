mms_core_library(mms_write
  ${CMAKE_CURRENT_LIST_DIR}/WriteValue.cpp
)
target_link_libraries(mms_write PUBLIC mms_common mms_datawindow_core)
