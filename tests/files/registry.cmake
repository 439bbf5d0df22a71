orvita_gtest(registry_test
  ${CMAKE_CURRENT_LIST_DIR}/RegistryTest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/WindowPlacementTest.cpp
  LIBS orvita_files)
