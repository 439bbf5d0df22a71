# The picture is built from its own sources so that its tests need nothing
# else of the user interface.
orvita_qtest(picture_tests
  ${CMAKE_CURRENT_LIST_DIR}/BarrierPictureTest.cpp
  ${PROJECT_SOURCE_DIR}/ui/BarrierPainter.cpp
  ${PROJECT_SOURCE_DIR}/ui/BarrierPicture.cpp
  ${PROJECT_SOURCE_DIR}/ui/BarrierPicture.h
  LIBS orvita_model orvita_files orvita_texts Qt6::Widgets)
target_include_directories(picture_tests PRIVATE ${PROJECT_SOURCE_DIR}/ui)
