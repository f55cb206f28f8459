# The whole program through its windows, against real slaves on loopback
# and on pseudo-terminals.
add_library(mms_e2e_support STATIC ${CMAKE_CURRENT_LIST_DIR}/e2e/EndToEnd.cpp)
target_include_directories(mms_e2e_support PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(mms_e2e_support PUBLIC mms_gui mms_test_support Qt6::Test)

foreach(suite IN ITEMS Tcp Rtu Robustness)
  mms_qtest(gui_e2e_${suite}_tests LIBS mms_e2e_support
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/e2e/${suite}EndToEndTest.cpp)
  set_property(TEST gui_e2e_${suite}_tests APPEND PROPERTY LABELS e2e)
endforeach()
