# Settings every target of our own gets: warnings as errors here, never on
# Qt's or GoogleTest's headers (they come in as system includes).
function(orvita_target target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  target_compile_definitions(${target} PRIVATE
    ORVITA_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
    ORVITA_VERSION_MINOR=${PROJECT_VERSION_MINOR}
    ORVITA_VERSION_PATCH=${PROJECT_VERSION_PATCH}
    ORVITA_VERSION_TWEAK=${PROJECT_VERSION_TWEAK})
endfunction()

# A GoogleTest executable registered with CTest. Extra arguments are sources;
# LIBS names what it links. Tests run with the offscreen platform.
function(orvita_gtest name)
  cmake_parse_arguments(T "" "" "LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  orvita_target(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${T_LABELS}")
endfunction()

# A Qt Test executable (widget behaviour), one CTest test per executable.
function(orvita_qtest name)
  cmake_parse_arguments(T "" "" "LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  orvita_target(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${T_LABELS}" TIMEOUT 300)
endfunction()
