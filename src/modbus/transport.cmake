mms_core_library(mms_transport
  ${CMAKE_CURRENT_LIST_DIR}/ConnectionSettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/InterruptibleFd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Serialport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Tcpclient.cpp
)
target_link_libraries(mms_transport PUBLIC mms_codec mms_log mms_common)
