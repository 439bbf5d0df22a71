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
# LIBS names what it links. Tests run with the offscreen platform; those that
# start a recording program give it a journal of their own.
function(orvita_gtest name)
  cmake_parse_arguments(T "" "" "LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  orvita_target(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} orvita_test_support GTest::gtest GTest::gtest_main)
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS "${T_LABELS}")
endfunction()

# A Qt Test executable (widget behaviour), one CTest test per executable. The
# window always records: into a journal of the build's own, not the user's.
function(orvita_qtest name)
  cmake_parse_arguments(T "" "" "LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  orvita_target(${name})
  target_link_libraries(${name} PRIVATE ${T_LIBS} orvita_test_support Qt6::Test)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;ORVITA_JOURNAL=${PROJECT_BINARY_DIR}/tests/journal.sqlite"
    LABELS "${T_LABELS}" TIMEOUT 300)
endfunction()

# Makes the headers of `folder` reachable as "folder/Header.h" from an include
# root that holds that one folder. A library publishes its own root, so a
# target sees the roots of what it links and nothing more: an include from a
# layer above fails to compile.
function(orvita_include_root target folder)
  set(root ${PROJECT_BINARY_DIR}/include-roots/${folder})
  if(NOT EXISTS ${root}/${folder})
    file(MAKE_DIRECTORY ${root})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  endif()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# One layer: a static library of every source in the calling folder, named
# orvita_<folder>, linking the layers below it given after DEPENDS.
function(orvita_layer folder)
  cmake_parse_arguments(L "" "" "DEPENDS;PRIVATE;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  foreach(excluded ${L_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  add_library(orvita_${folder} STATIC ${sources})
  orvita_target(orvita_${folder})
  orvita_include_root(orvita_${folder} ${folder})
  target_link_libraries(orvita_${folder} PUBLIC ${L_DEPENDS} PRIVATE ${L_PRIVATE})
endfunction()
