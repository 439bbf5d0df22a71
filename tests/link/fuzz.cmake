# A libFuzzer target for the receive path, built only by clang:
#   CXX=clang++ cmake -S . -B build/fuzz -G Ninja && cmake --build build/fuzz --target parser_fuzz
#   build/fuzz/tests/link/parser_fuzz -max_total_time=60
if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  add_executable(parser_fuzz ${CMAKE_CURRENT_LIST_DIR}/ParserFuzz.cpp)
  orvita_target(parser_fuzz)
  target_compile_options(parser_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_options(parser_fuzz PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(parser_fuzz PRIVATE orvita_link orvita_sim)
endif()
