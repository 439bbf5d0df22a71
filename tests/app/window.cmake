orvita_qtest(window_test WindowTest.cpp LIBS orvita_window)

orvita_qtest(program_endtoend_test ProgramEndToEndTest.cpp LIBS orvita_window)
target_compile_definitions(program_endtoend_test PRIVATE BARRIER_SIM="$<TARGET_FILE:barrier-sim>")
add_dependencies(program_endtoend_test barrier-sim)
