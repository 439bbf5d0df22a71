# The dialog and the placement helpers are built from their own sources so
# that their tests need nothing else of the user interface.
orvita_qtest(portdialog_tests
  ${CMAKE_CURRENT_LIST_DIR}/PortSettingsDialogTest.cpp
  ${PROJECT_SOURCE_DIR}/ui/PortSettingsDialog.cpp
  ${PROJECT_SOURCE_DIR}/ui/PortSettingsDialog.h
  LIBS orvita_serial orvita_texts Qt6::Widgets)
target_include_directories(portdialog_tests PRIVATE ${PROJECT_SOURCE_DIR}/ui)

orvita_qtest(placement_tests
  ${CMAKE_CURRENT_LIST_DIR}/WindowPlacementWidgetTest.cpp
  ${PROJECT_SOURCE_DIR}/ui/WindowPlacementWidget.cpp
  LIBS orvita_files Qt6::Widgets)
target_include_directories(placement_tests PRIVATE ${PROJECT_SOURCE_DIR}/ui ${PROJECT_SOURCE_DIR}/tests/files)
