orvita_gtest(beeper_test beeper_test.cpp LIBS orvita_sound)

orvita_gtest(beeper_thread_test beeper_thread_test.cpp LIBS orvita_sound LABELS thread)
# thread_tests is created after the test folders are read; attach once it exists.
if(TARGET thread_tests)
  add_dependencies(thread_tests beeper_thread_test)
else()
  cmake_language(DEFER DIRECTORY ${PROJECT_SOURCE_DIR}/tests
    CALL add_dependencies thread_tests beeper_thread_test)
endif()
