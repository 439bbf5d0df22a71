# The file commands are compiled in from their sources, as the editors are.
orvita_qtest(configfilecommands_test
  ${CMAKE_CURRENT_LIST_DIR}/ConfigFileCommandsTest.cpp
  ${PROJECT_SOURCE_DIR}/ui/ConfigFileCommands.cpp ${PROJECT_SOURCE_DIR}/ui/ConfigFileCommands.h
  LIBS orvita_model orvita_files orvita_texts Qt6::Widgets)
target_include_directories(configfilecommands_test PRIVATE ${PROJECT_SOURCE_DIR}/ui)
