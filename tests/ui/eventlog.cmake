orvita_gtest(eventlog_tests ${CMAKE_CURRENT_LIST_DIR}/EventLogTest.cpp LIBS orvita_eventlog)
