mms_core_library(mms_datawindow_core
  ${CMAKE_CURRENT_LIST_DIR}/ValueFormat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CellColour.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GridLayout.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataWindowModel.cpp
)
target_link_libraries(mms_datawindow_core PUBLIC mms_common)
