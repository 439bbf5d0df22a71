# The barrier simulator: in-process replies and faults, and the barrier-sim
# program over a pseudo-terminal.
orvita_gtest(sim_barrier_test ${CMAKE_CURRENT_LIST_DIR}/SimBarrierTest.cpp LIBS orvita_sim LABELS sim)

if(TARGET barrier-sim)
  orvita_gtest(sim_program_test ${CMAKE_CURRENT_LIST_DIR}/BarrierSimProgramTest.cpp LIBS orvita_sim LABELS sim)
  target_compile_definitions(sim_program_test PRIVATE BARRIER_SIM_PATH="$<TARGET_FILE:barrier-sim>")
  add_dependencies(sim_program_test barrier-sim)
endif()
