find_package(GTest REQUIRED)
include(GoogleTest)

# tilewick_add_gtest(NAME SOURCES src... LIBS lib...)
# A GoogleTest program whose cases are registered with CTest one by one.
function(tilewick_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Tilewick::options GTest::gtest_main GTest::gmock ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE
    TILEWICK_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
