// Where the tests find the built programs and the test data: where this build
// put them, or where the environment says copies of them lie.
// ./run-tests runs the tests of what an ordinary user meets once more as one,
// from copies in a folder every user may reach, since the build tree may lie
// in a folder that only its owner may enter.
//
//   test_binary_dir: the build folder (VELKORA_TEST_BINARY_DIR when set).
//   test_data_dir:   the test data folder, tests/data of the sources, with the
//                    examples at ../../examples from it (VELKORA_TEST_DATA_DIR
//                    when set).
#pragma once

#include <cstdlib>
#include <string>

namespace test_support {

// The value of the environment variable `name` when set and not empty, else
// `built`.
inline std::string path_from_environment(const char* name, const char* built) {
  const char* given = std::getenv(name);
  return given != nullptr && *given != '\0' ? given : built;
}

inline std::string test_binary_dir() { return path_from_environment("VELKORA_TEST_BINARY_DIR", VELKORA_BINARY_DIR); }

inline std::string test_data_dir() { return path_from_environment("VELKORA_TEST_DATA_DIR", VELKORA_TEST_DATA); }

}  // namespace test_support
