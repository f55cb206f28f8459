# The transmission log writer on real files in a temporary folder.
mms_gtest(log_tests
  LIBS mms_log
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/log/TransmissionLogTest.cpp
)
