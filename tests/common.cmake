# Conversions, key-value files, traffic statistics texts.
mms_gtest(common_tests
  LIBS mms_common
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/common/ConversionsTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/common/IniFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/common/TrafficStatisticsTest.cpp
)
