# The editors are compiled in here from their sources, so the test does not
# depend on the rest of the user interface.
orvita_qtest(editors_test
  ${CMAKE_CURRENT_LIST_DIR}/ParameterPanelTest.cpp
  ${PROJECT_SOURCE_DIR}/ui/ParameterPanel.cpp ${PROJECT_SOURCE_DIR}/ui/ParameterPanel.h
  ${PROJECT_SOURCE_DIR}/ui/BeamGrid.cpp ${PROJECT_SOURCE_DIR}/ui/BeamGrid.h
  LIBS orvita_model orvita_files orvita_texts Qt6::Widgets)
target_include_directories(editors_test PRIVATE ${PROJECT_SOURCE_DIR}/ui)
