if(TARGET barrier-sim AND TARGET orvita_serial)
  orvita_gtest(link_endtoend_tests ${CMAKE_CURRENT_LIST_DIR}/EndToEndTest.cpp
    LIBS orvita_link orvita_serial Qt6::Test)
  target_compile_definitions(link_endtoend_tests PRIVATE BARRIER_SIM="$<TARGET_FILE:barrier-sim>")
  add_dependencies(link_endtoend_tests barrier-sim)
endif()
