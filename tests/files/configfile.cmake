orvita_gtest(configfile_test ${CMAKE_CURRENT_LIST_DIR}/ConfigFileTest.cpp LIBS orvita_files)
