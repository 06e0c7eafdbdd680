# nerro_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [TIMEOUT <s>]
#                [ARGS <arguments for the test run...>])
#
# One GoogleTest program registered as ONE CTest test: under Wine every start
# costs more than a second, so test cases are not registered one by one.
# Under Wine the program runs through CMAKE_CROSSCOMPILING_EMULATOR.
function(nerro_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;ARGS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS} GTest::gtest_main)
  # Wine sees the Linux file system as drive Z:.
  set(golden "${PROJECT_SOURCE_DIR}/tests/golden")
  if(WIN32)
    set(golden "Z:${golden}")
  endif()
  target_compile_definitions(${T_NAME} PRIVATE NERRO_GOLDEN_DIR="${golden}")
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME} --gtest_color=no ${T_ARGS})
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()
