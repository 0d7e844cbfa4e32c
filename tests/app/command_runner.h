// Running the built command-line programs as a user runs them.
#pragma once

#include <cstdio>
#include <string>

namespace command_test {

inline std::string read_all(FILE* f) {
  std::string out;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
  return out;
}

struct Outcome {
  int status;
  std::string out;
};

// Runs a built program with `args`; standard error is kept with standard output
// when `with_errors` is set. `shell` (variable settings, a ulimit and ";")
// goes before the program in the shell's command line.
inline Outcome run(const std::string& args, bool with_errors = false, const std::string& shell = "") {
  const std::string cmd =
      shell + std::string(VELKORA_BINARY_DIR) + "/app/" + args + (with_errors ? " 2>&1" : " 2>/dev/null");
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return {-1, {}};
  std::string out = read_all(p);
  return {pclose(p), out};
}

inline std::string data(const char* name) { return std::string(VELKORA_TEST_DATA) + "/" + name; }

inline std::string slurp(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return {};
  std::string out = read_all(f);
  fclose(f);
  return out;
}

}  // namespace command_test
