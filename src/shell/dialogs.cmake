target_sources(mms_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/Settings.h
  ${CMAKE_CURRENT_LIST_DIR}/Settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Setup.h
  ${CMAKE_CURRENT_LIST_DIR}/Setup.cpp
)
