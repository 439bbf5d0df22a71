orvita_gtest(mytools_tests ${CMAKE_CURRENT_LIST_DIR}/MyToolsTest.cpp LIBS orvita_files)
