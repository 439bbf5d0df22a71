# Time of one full redraw of the barrier picture at its largest size.
add_executable(bench_picture
  ${CMAKE_CURRENT_LIST_DIR}/DrawBarrierBench.cpp
  ${PROJECT_SOURCE_DIR}/ui/BarrierPainter.cpp)
orvita_target(bench_picture)
target_include_directories(bench_picture PRIVATE ${PROJECT_SOURCE_DIR}/ui)
target_link_libraries(bench_picture PRIVATE orvita_model orvita_files orvita_texts Qt6::Gui)
