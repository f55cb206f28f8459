# The polling thread: pass order, pauses, writes, stop and exit, bounds.
mms_gtest(polling_test
  LIBS mms_polling
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/polling/PollHarness.h
    ${CMAKE_CURRENT_LIST_DIR}/polling/PollingTest.cpp
)
# With the real transports against libmodbus and scripted slaves.
mms_gtest(polling_peers_test
  LIBS mms_polling mms_transport mms_test_support
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/polling/PollOverRealPeersTest.cpp
)
# Its own program: it replaces the global allocator to count.
mms_gtest(polling_alloc_test
  LIBS mms_polling
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/polling/NoAllocationTest.cpp
)
# Typed values turned into write requests.
mms_gtest(write_value_test
  LIBS mms_write
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/polling/WriteValueTest.cpp
          ${CMAKE_CURRENT_LIST_DIR}/polling/RangeWriteTest.cpp
)
# The demo slave of tools/, run as a user runs it.
if(MMS_BUILD_BENCH)
  mms_gtest(demo_slave_test
    LIBS PkgConfig::LIBMODBUS
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/polling/DemoSlaveTest.cpp
  )
  target_compile_definitions(demo_slave_test PRIVATE DEMO_SLAVE_PATH="$<TARGET_FILE:demo_slave>")
  add_dependencies(demo_slave_test demo_slave)
endif()
# Range, mask and read/write writes and broadcasts against libmodbus.
mms_gtest(range_writes_test
  LIBS mms_polling mms_transport mms_test_support
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/polling/RangeWritesOverPeersTest.cpp
)
# Exception names, response times, device identification and scan, against real peers.
mms_gtest(device_tools_test
  LIBS mms_polling mms_transport mms_test_support
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/devicetools/DeviceToolsTest.cpp
)
