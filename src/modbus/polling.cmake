mms_core_library(mms_polling
  ${CMAKE_CURRENT_LIST_DIR}/Modbusthread.cpp
)
target_link_libraries(mms_polling PUBLIC mms_codec mms_datawindow_core)
