orvita_qtest(window_test WindowTest.cpp LIBS orvita_window)
