orvita_gtest(portlist_test ${CMAKE_CURRENT_LIST_DIR}/PortListTest.cpp LIBS orvita_serial)
orvita_gtest(portsettings_test ${CMAKE_CURRENT_LIST_DIR}/PortSettingsTest.cpp LIBS orvita_serial orvita_files)
target_include_directories(portsettings_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../files)
