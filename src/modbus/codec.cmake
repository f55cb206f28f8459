mms_core_library(mms_codec
  ${CMAKE_CURRENT_LIST_DIR}/Modbusrtufunctions.cpp
)
