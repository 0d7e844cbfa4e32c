// Running the built command-line programs as a user runs them.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/test_paths.h"

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
      shell + test_support::test_binary_dir() + "/app/" + args + (with_errors ? " 2>&1" : " 2>/dev/null");
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return {-1, {}};
  std::string out = read_all(p);
  return {pclose(p), out};
}

// Runs the built `velkora` with `args`, sends it Ctrl-C once its standard
// error holds `ready` (or at once when `ready` is empty) and `delay_ms` more
// have passed, and waits at most `wait_ms` for it to end (then kills it).
struct Interrupted {
  bool ended = false;  // ended by itself after the interrupt
  int status = 0;      // waitpid's status
  std::string out, err;
};
Interrupted run_interrupted(const std::vector<std::string>& args, const std::string& ready, uint32_t delay_ms,
                            uint32_t wait_ms);
// The same with Ctrl-C sent `delay_ms` after the program has started a second
// thread (the computer thread of a think or of the benchmark, the signature's
// thread): a moment at the start of the job that no output marks.
Interrupted run_interrupted_after_thread(const std::vector<std::string>& args, uint32_t delay_ms, uint32_t wait_ms);

// Runs the built `velkora` with `args`, its standard output written to the
// file `out_path` (a device such as /dev/full); `err` is its standard error.
struct Written {
  int status = 0;  // waitpid's status
  std::string err;
};
Written run_writing_to(const std::vector<std::string>& args, const char* out_path);
// The same for another built program: `program` is its path in the build
// folder ("app/perft", "bench/evalterms/velkora_evalterms").
Written run_program_writing_to(const std::string& program, const std::vector<std::string>& args,
                               const char* out_path);

// `args` fails with exit status `code` and says `message` (standard output and
// error together): all of it when the message ends a line, else it begins so.
// A status alone would also pass for a program that was never found.
inline ::testing::AssertionResult fails_with(const std::string& args, int code, const std::string& message) {
  const Outcome r = run(args, true);
  const bool said = message.back() == '\n' ? r.out == message : r.out.rfind(message, 0) == 0;
  if (WIFEXITED(r.status) && WEXITSTATUS(r.status) == code && said) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << args << ": status " << r.status << ", said: " << r.out;
}

// A UTF-8 literal as the bytes the terminal gets.
inline std::string utf8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

inline std::string data(const char* name) { return test_support::test_data_dir() + "/" + name; }

// The lines of a program's output, without their line feeds.
inline std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::string slurp(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return {};
  std::string out = read_all(f);
  fclose(f);
  return out;
}

}  // namespace command_test
