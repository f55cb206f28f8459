# Window files and windows sets.
mms_gtest(windowfile_test
  LIBS mms_windowfile
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/windowfile/TestFiles.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windowfile/WindowFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windowfile/WindowsSetTest.cpp
)
