# mms_test_support: test peers shared by the suites and benchmarks: libmodbus
# slaves on loopback and on pseudo-terminals, our scripted slave, a recording
# log sink, and (header only) FakeTransport.
add_library(mms_test_support STATIC
  ${CMAKE_CURRENT_LIST_DIR}/PtyPair.cpp
  ${CMAKE_CURRENT_LIST_DIR}/LibmodbusSlaves.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScriptedSlave.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ScriptedSlaveUdp.cpp
)
target_include_directories(mms_test_support PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..
                           ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(mms_test_support PUBLIC PkgConfig::LIBMODBUS Threads::Threads)

# scripted_peer: the scripted slave as a program, for trying the transports by hand.
add_executable(scripted_peer ${CMAKE_CURRENT_LIST_DIR}/ScriptedPeerMain.cpp)
target_link_libraries(scripted_peer PRIVATE mms_test_support)
