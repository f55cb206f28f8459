# FillGrid of a 100-value data window in every display format.
find_package(benchmark REQUIRED)
add_executable(FillGridBench ${CMAKE_CURRENT_LIST_DIR}/FillGridBench.cpp)
target_link_libraries(FillGridBench PRIVATE mms_datawindow_core benchmark::benchmark)
if(MMS_BUILD_GUI)
  target_link_libraries(FillGridBench PRIVATE mms_gui)
  target_compile_definitions(FillGridBench PRIVATE MMS_BENCH_GUI)
endif()
