# The layers of the program, each depending only on those below it:
#
#   platform/, model/text/ (strings, text streams, fixed-seed generators)
#   < model/position/ < model/record/ < model/formats/
#   < engine/board/ < engine/bridge/, engine/eval/, engine/tsume/ < engine/search/
#   < engine/driver/ < app/
#
# Every library exposes only its own folder to those that link it. The folder is
# linked into a staging directory of the library's own, under the spelling it has
# from the project root (build/include/velkora_board/engine/board -> the source
# folder engine/board), and that directory is the library's public include
# directory. A library thus sees its own folder and, through its DEPS, the
# folders of the layers below it: an #include that reaches up a layer names no
# file on the include path and does not compile.

# Where the staging directories live. The profile's counting build stages into
# its parent's: a profile matches a function only when its header is read
# under the same path in both builds.
set(VELKORA_INCLUDE_ROOT ${PROJECT_BINARY_DIR}/include CACHE PATH "Where the libraries' include folders are staged")

# velkora_stage(TARGET): makes the current source folder the public include
# folder of TARGET.
function(velkora_stage target)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${VELKORA_INCLUDE_ROOT}/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR} ${root}/${folder} SYMBOLIC)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()

# velkora_library(NAME [DEPS ...]): the library of the current source folder,
# from its .cpp files (a file ending in _main.cpp is a program's entry point and
# stays out), linked to the libraries of the layers below that it uses. A folder
# with headers only gives a header-only (interface) library.
function(velkora_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "_main\\.cpp$")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
  velkora_stage(${name})
endfunction()

# velkora_test(NAME SOURCE_DIR DEPS ...): one GoogleTest executable from the .cpp
# files of a test folder and its subfolders, each test registered with CTest.
# Test helpers are included as "tests/<folder>/<file>.h".
function(velkora_test name dir)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${dir}/*.cpp)
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} velkora_test_support GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    VELKORA_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data"
    VELKORA_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
endfunction()
