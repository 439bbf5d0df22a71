# The serial port object and its event-wait thread, over pseudo-terminals.
# Labelled "thread": the ThreadSanitizer build runs it too.
orvita_gtest(serial_comm_tests TComm64Test.cpp SerialTestMain.cpp SerialTestSupport.h
  LIBS orvita_serial Qt6::Core LABELS thread)
target_include_directories(serial_comm_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
# thread_tests is declared after the test folders; add to it once it exists.
cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR}/tests CALL add_dependencies thread_tests serial_comm_tests)

orvita_gtest(serial_access_tests PortAccessTest.cpp LIBS orvita_serial)
