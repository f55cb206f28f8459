# Frames, CRC, reply checks and one transaction over the in-process transport.
mms_gtest(codec_tests
  LIBS mms_codec
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/codec/CodecTestUtil.h
    ${CMAKE_CURRENT_LIST_DIR}/codec/FramesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/codec/CheckReplyTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/codec/TransactionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/codec/NoHeapTest.cpp
)
