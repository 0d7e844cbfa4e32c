// Mate problems for the solver tests: KIF and CSA records of tests/data/tsume
// read through the record loader into engine positions, and the stated length
// of each.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/board/position.h"
#include "engine/bridge/position_bridge.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"

namespace tsume::testing {

inline std::string tsume_data_dir() { return std::string(VELKORA_TEST_DATA) + "/tsume"; }

struct Problem {
  std::string name;           // file name without the directory
  model::Kyokumen kyokumen;   // the start position
  int length = -1;            // the stated length: the number of moves of the record's main line
};

// Reads one problem; false (with a test failure) when the file is refused.
inline bool load_problem(const std::string& path, Problem& out) {
  model::KifuHolder holder;
  int format = 0;
  if (!model::kifu_load_file(holder, path.c_str(), &format, false)) {
    ADD_FAILURE() << "cannot load " << path;
    return false;
  }
  out.name = std::filesystem::path(path).filename().string();
  out.kyokumen.Copy(holder.kifu.Start()->kyokumen);
  out.length = 0;
  for (const model::KifuKyokumen* node = holder.kifu.Start(); node->next.Count() > 0;) {
    const model::KifuSashite* m = node->next.At(0);
    if (m->sashite.special != model::kOrdinaryMove || m->to == nullptr) break;
    ++out.length;
    node = m->to;
  }
  return true;
}

// Every problem of the set, in file-name order.
inline std::vector<Problem> load_problem_set() {
  std::vector<std::string> paths;
  for (const auto& entry : std::filesystem::directory_iterator(tsume_data_dir())) {
    const auto ext = entry.path().extension();
    if (ext == ".kif" || ext == ".csa") paths.push_back(entry.path().string());
  }
  std::sort(paths.begin(), paths.end());
  std::vector<Problem> set;
  for (const std::string& p : paths) {
    Problem problem;
    if (load_problem(p, problem)) set.push_back(problem);
  }
  return set;
}

inline board::KPosition engine_position(const model::Kyokumen& k) {
  board::KPosition p;
  EXPECT_EQ(bridge::position_load(p, k), 0);
  return p;
}

}  // namespace tsume::testing
