orvita_gtest(link_tests
  ${CMAKE_CURRENT_LIST_DIR}/FrameTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ParserTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DecoderTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CycleTest.cpp
  LIBS orvita_link orvita_sim)
