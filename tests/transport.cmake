mms_gtest(transport_tests LIBS mms_transport mms_test_support
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/transport/ConnectionSettingsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transport/SerialPortTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transport/TcpClientTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/transport/NetModesTest.cpp
)
