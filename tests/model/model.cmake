orvita_gtest(model_tests ${CMAKE_CURRENT_LIST_DIR}/BarrierModelTest.cpp LIBS orvita_model)
