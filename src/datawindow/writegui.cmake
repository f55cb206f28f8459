target_sources(mms_gui PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/WriteForm.h
  ${CMAKE_CURRENT_LIST_DIR}/WriteForm.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Writecoil.h
  ${CMAKE_CURRENT_LIST_DIR}/Writecoil.cpp
  ${CMAKE_CURRENT_LIST_DIR}/Writeregister.h
  ${CMAKE_CURRENT_LIST_DIR}/Writeregister.cpp
)
target_link_libraries(mms_gui PUBLIC mms_write)
