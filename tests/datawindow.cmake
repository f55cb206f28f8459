# Value formats, grid layout, cell colours and the data window's tables.
mms_gtest(datawindow_core_test
  LIBS mms_datawindow_core
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/datawindow/ValueFormatTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/datawindow/DataWindowModelTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/datawindow/CellColourTest.cpp
)
