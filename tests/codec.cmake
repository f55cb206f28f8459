# Frames, CRC, reply checks and one transaction over the in-process transport.
mms_gtest(codec_tests
  LIBS mms_codec
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/codec/CodecTestUtil.h
    ${CMAKE_CURRENT_LIST_DIR}/codec/FramesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/codec/CheckReplyTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/codec/TransactionTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/codec/MoreWritesTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/codec/NoHeapTest.cpp
)

# The fuzz target replayed over its seed corpus with the normal compiler, so
# every test run (and the ThreadSanitizer run) covers those inputs too.
add_executable(codec_fuzz_replay
  ${PROJECT_SOURCE_DIR}/fuzz/ReplyFuzzer.cpp
  ${PROJECT_SOURCE_DIR}/fuzz/ReplayMain.cpp
)
target_link_libraries(codec_fuzz_replay PRIVATE mms_codec)
target_include_directories(codec_fuzz_replay PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
add_test(NAME codec_fuzz_replay COMMAND codec_fuzz_replay ${PROJECT_SOURCE_DIR}/fuzz/corpus)
set_tests_properties(codec_fuzz_replay PROPERTIES TIMEOUT 120 LABELS core)
