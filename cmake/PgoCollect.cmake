# Runs the counting build's training job and copies its counter files (.gcda)
# into the optimised build, each to the same place under the build folder,
# where the compiler looks for the profile of that object file.
#
# cmake -DTRAIN_DIR=... -DTARGET_DIR=... -P PgoCollect.cmake

# The training job: the node-count signature's fixed-depth thinks on the
# benchmark's middle-game positions.
set(train_args bench --signature)

cmake_policy(SET CMP0009 NEW)  # the globs do not follow the build's include links

file(GLOB_RECURSE stale ${TRAIN_DIR}/*.gcda)
if(stale)
  file(REMOVE ${stale})
endif()

execute_process(COMMAND ${TRAIN_DIR}/app/velkora ${train_args}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the profile's training run failed: velkora ${train_args} (${result})")
endif()

file(GLOB_RECURSE counts RELATIVE ${TRAIN_DIR} ${TRAIN_DIR}/*.gcda)
if(NOT counts)
  message(FATAL_ERROR "the profile's training run wrote no counter files under ${TRAIN_DIR}")
endif()
foreach(count IN LISTS counts)
  get_filename_component(folder ${TARGET_DIR}/${count} DIRECTORY)
  file(COPY ${TRAIN_DIR}/${count} DESTINATION ${folder})
endforeach()
