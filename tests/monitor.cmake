# The traffic monitor's tap, decoder and history, and the trend series.
mms_gtest(monitor_tests
  LIBS mms_monitor
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/monitor/TrafficMonitorTest.cpp
)
