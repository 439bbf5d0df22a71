orvita_qtest(splash_test splash_test.cpp LIBS orvita_ui)
