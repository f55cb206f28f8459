mms_core_library(mms_connection
  ${CMAKE_CURRENT_LIST_DIR}/Connection.cpp
)
target_link_libraries(mms_connection PUBLIC mms_transport mms_polling mms_log mms_common)
