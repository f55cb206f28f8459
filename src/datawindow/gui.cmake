target_sources(mms_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Ti.h
  ${CMAKE_CURRENT_LIST_DIR}/Ti.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Tresholddisplaywindow.h
  ${CMAKE_CURRENT_LIST_DIR}/Tresholddisplaywindow.cpp
  ${PROJECT_SOURCE_DIR}/src/ui/ColourPickList.h
  ${PROJECT_SOURCE_DIR}/src/ui/ColourPickList.cpp
)
