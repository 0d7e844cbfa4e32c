// Gives every test process a temporary folder of its own: ctest runs each test
// case as a process, many at once, and tests in other build trees run beside
// them; file names written under ::testing::TempDir() must never meet. The
// folder lies in the build tree, is named by the process id, and is removed
// when the process ends.
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/test_paths.h"

namespace {

std::string& folder() {
  static std::string path;
  return path;
}

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return std::remove(path); }

void remove_folder() {
  if (!folder().empty()) nftw(folder().c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}

const bool kInstalled = [] {
  const std::string base = test_support::test_binary_dir() + "/test_tmp";
  mkdir(base.c_str(), 0755);
  folder() = base + "/" + std::to_string(getpid());
  if (mkdir(folder().c_str(), 0755) != 0) return false;
  setenv("TEST_TMPDIR", (folder() + "/").c_str(), 1);
  std::atexit(remove_folder);
  return true;
}();

}  // namespace
