# The profile-guided build (VELKORA_PGO=ON, GCC only).
#
# The think spends its time in a few thousand hot branches spread over more code
# than the first-level instruction cache holds. A profile of a real think lets
# the compiler lay the hot paths out together and pick the likely side of each
# branch, which speeds the think up without changing what it computes.
#
# Before anything of this build compiles, a copy of the program is built with
# counters in build/<this>/pgo/train and run on the think's benchmark
# positions; its counter files are then copied beside this build's object files,
# where -fprofile-use finds them. That is done once per build folder: later
# edits compile against the profile they have (a function whose code changed
# simply goes without one). Deleting the pgo folder makes a fresh profile.

set(VELKORA_PGO_DIR ${PROJECT_BINARY_DIR}/pgo)

# Under make the counting build shares the parent's job slots.
if(CMAKE_GENERATOR MATCHES "Makefiles")
  set(VELKORA_PGO_BUILD "$(MAKE)" velkora)
else()
  set(VELKORA_PGO_BUILD ${CMAKE_COMMAND} --build <BINARY_DIR> --target velkora)
endif()

include(ExternalProject)
ExternalProject_Add(velkora_pgo_profile
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${VELKORA_PGO_DIR}/train
  PREFIX ${VELKORA_PGO_DIR}
  STAMP_DIR ${VELKORA_PGO_DIR}/stamp
  TMP_DIR ${VELKORA_PGO_DIR}/tmp
  CMAKE_ARGS
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DCMAKE_CXX_COMPILER=${CMAKE_CXX_COMPILER}
    -DVELKORA_PGO=OFF
    -DVELKORA_BENCH=OFF
    -DVELKORA_INCLUDE_ROOT=${VELKORA_INCLUDE_ROOT}
    "-DCMAKE_CXX_FLAGS=${CMAKE_CXX_FLAGS} -fprofile-generate -fprofile-update=single"
    "-DCMAKE_EXE_LINKER_FLAGS=${CMAKE_EXE_LINKER_FLAGS} -fprofile-generate"
  BUILD_COMMAND ${VELKORA_PGO_BUILD}
  INSTALL_COMMAND ${CMAKE_COMMAND}
    -DTRAIN_DIR=<BINARY_DIR>
    -DTARGET_DIR=${PROJECT_BINARY_DIR}
    -P ${PROJECT_SOURCE_DIR}/cmake/PgoCollect.cmake
  USES_TERMINAL_BUILD ON)

add_compile_options(-fprofile-use -fprofile-partial-training -Wno-missing-profile -Wno-coverage-mismatch)

# The optimised build is also optimised across files at link time: with the
# profile the compiler inlines the hot calls between the libraries, which it
# cannot see from one file. (Without a profile that inlining cost more than it
# saved.) The counting build stays without it: its counters are placed before
# the link-time step and fit either way.
include(CheckIPOSupported)
check_ipo_supported(RESULT velkora_ipo OUTPUT velkora_ipo_why LANGUAGES CXX)
if(velkora_ipo)
  set(CMAKE_INTERPROCEDURAL_OPTIMIZATION ON)
  # Inlined across files at link time, GCC 12 warns of overflows in the
  # standard library's string appends that cannot happen (a string built from
  # a literal and a std::string, say). The same code compiled without the
  # link-time step, in the plain and the sanitizer builds, keeps the warning.
  add_link_options(-Wno-stringop-overflow)
else()
  message(STATUS "velkora: the profile-guided build goes without link-time optimisation: ${velkora_ipo_why}")
endif()

# velkora_pgo_order(): every target built here waits for the profile, and every
# object is compiled again when a fresh profile is made.
function(velkora_pgo_order)
  set(dirs ${PROJECT_SOURCE_DIR})
  while(dirs)
    list(POP_FRONT dirs dir)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      get_target_property(type ${target} TYPE)
      if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT target STREQUAL "velkora_pgo_profile")
        add_dependencies(${target} velkora_pgo_profile)
        get_target_property(sources ${target} SOURCES)
        set_property(SOURCE ${sources} DIRECTORY ${dir} APPEND PROPERTY OBJECT_DEPENDS
                     ${VELKORA_PGO_DIR}/stamp/velkora_pgo_profile-install)
      endif()
    endforeach()
    get_property(children DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND dirs ${children})
  endwhile()
endfunction()
