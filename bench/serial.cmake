# Status polls over a pseudo-terminal: the port's event hand-off against a
# plain single-threaded poll+read loop.
add_executable(serial_handoff_bench SerialHandoffBench.cpp)
orvita_target(serial_handoff_bench)
target_link_libraries(serial_handoff_bench PRIVATE orvita_serial Qt6::Core)
