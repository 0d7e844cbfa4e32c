#include "app/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/arguments.h"

namespace app {

namespace {

// The errno of the first flush of standard output that failed; 0 before one.
int first_failure = 0;

}  // namespace

bool flush_output() {
  errno = 0;
  const bool flushed = std::fflush(stdout) == 0;
  if (!flushed && first_failure == 0) first_failure = errno;
  return flushed && std::ferror(stdout) == 0;
}

std::string output_failure(int error) {
  std::string what = "cannot write standard output";
  if (error != 0) what += std::string(": ") + std::strerror(error);
  return what;
}

int finish_output(const std::string& command, int status) {
  return finish_program_output(command.empty() ? "velkora" : "velkora " + one_line(command), status);
}

int finish_program_output(const std::string& program, int status) {
  if (flush_output() || status == kExitFailure) return status;
  std::fprintf(stderr, "%s: %s\n", program.c_str(), output_failure(first_failure).c_str());
  return kExitFailure;
}

}  // namespace app
