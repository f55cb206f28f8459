# The main window.
target_sources(mms_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/AppState.h
  ${CMAKE_CURRENT_LIST_DIR}/MainForm.h
  ${CMAKE_CURRENT_LIST_DIR}/MainForm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainFormIntegration.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DataWindowReports.h
  ${CMAKE_CURRENT_LIST_DIR}/DataWindowReports.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Program.h
  ${CMAKE_CURRENT_LIST_DIR}/Program.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MainFormIcons.h
  ${CMAKE_CURRENT_LIST_DIR}/MainFormIcons.cpp
  ${CMAKE_CURRENT_LIST_DIR}/MdiArrange.h
  ${CMAKE_CURRENT_LIST_DIR}/MdiArrange.cpp
)
