# velkora_library(NAME [DEPS ...]): one static library from the .cpp files of the
# current source folder. Folders of the engine depend on each other in both
# directions in places (the game model keeps the driver's analysis block, the
# driver loads game-model positions); static libraries may form such cycles.
function(velkora_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
  velkora_cyclic(${name})
endfunction()

# The libraries that depend on each other in a cycle are repeated on the link
# line often enough for every object one of them pulls in late to resolve.
function(velkora_cyclic name)
  set_property(TARGET ${name} PROPERTY LINK_INTERFACE_MULTIPLICITY 4)
endfunction()

# velkora_test(NAME SOURCE_DIR DEPS ...): one GoogleTest executable from the .cpp
# files of a test folder, each test registered with CTest.
function(velkora_test name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VELKORA_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    VELKORA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
endfunction()
