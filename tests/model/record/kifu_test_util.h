// Helpers for game-record tests: a listener that records every call, and
// building lines of moves given by their squares.
#pragma once

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "model/record/kifu.h"

namespace model::testing {

class RecordingListener : public KifuListener {
 public:
  std::vector<std::string> calls;
  int selection = -1;

  void Reset() override { calls.push_back("Reset"); }
  void AddLine(int ply, const char* line, const char* analysis, const char* annotation,
               int seconds, int value, int flags) override {
    calls.push_back("AddLine " + std::to_string(ply) + " " + line + " [" + analysis + "] [" +
                    annotation + "] " + std::to_string(seconds) + " " + std::to_string(value) +
                    " " + std::to_string(flags));
  }
  void DeleteLast() override { calls.push_back("DeleteLast"); }
  void Truncate(int ply) override { calls.push_back("Truncate " + std::to_string(ply)); }
  void BeginUpdate() override { calls.push_back("BeginUpdate"); }
  void EndUpdate() override { calls.push_back("EndUpdate"); }
  void SelectPly(int ply) override { calls.push_back("SelectPly " + std::to_string(ply)); }
  void SetMarks(int ply, int flags) override {
    calls.push_back("SetMarks " + std::to_string(ply) + " " + std::to_string(flags));
  }
  void SetValue(int ply, int value) override {
    calls.push_back("SetValue " + std::to_string(ply) + " " + std::to_string(value));
  }
  int GetSelection() override {
    calls.push_back("GetSelection");
    return selection;
  }
  // Becomes `kifu`'s listener and forgets the calls that made.
  void Attach(Kifu& kifu) { kifu.SetListener(this), calls.clear(); }
  // The calls so far, forgotten afterwards.
  std::vector<std::string> Take() {
    std::vector<std::string> out;
    out.swap(calls);
    return out;
  }
};

// The calls that rebuild the move list: the start line, `lines` (for a plain
// move, "ply text" as in "1 1：▲７六歩"), then `after`.
inline std::vector<std::string> list_rebuilt(std::initializer_list<std::string> lines,
                                             std::initializer_list<std::string> after = {}) {
  std::vector<std::string> calls = {"GetSelection", "BeginUpdate", "SelectPly 0", "Truncate 0",
                                    "AddLine 0 == 対局開始 == [] [] 0 32767 0"};
  for (const std::string& l : lines) calls.push_back(l.find('[') == std::string::npos ? "AddLine " + l + " [] [] 0 32767 0" : "AddLine " + l);
  calls.push_back("EndUpdate");
  calls.insert(calls.end(), after);
  return calls;
}

using Squares = std::array<int, 4>;  // from file, from rank (or dropped type), to file, to rank

// Plays `moves` from `node` with AddSashiteAtPos (selected, joining by `chooser`,
// the first one at `index`)
// and returns the last move node.
inline KifuSashite* play(PosTable* table, KifuKyokumen* node, std::initializer_list<Squares> moves,
                         int chooser = KifuChooser::kFirst, int index = -1) {
  KifuSashite* last = nullptr;
  for (const Squares& s : moves) {
    Sashite m(s[0], s[1], s[2], s[3], 0, 0, 0, 0);
    node->kyokumen.CompleteSashite(m);
    last = Kifu::AddSashiteAtPos(node, m, 0, nullptr, index, table, chooser, true);
    if (!last) return nullptr;
    node = last->to;
    index = -1;
  }
  return last;
}

// The even-game openings 1.７六歩 ３四歩 ２六歩 and 1.２六歩 ３四歩 ７六歩.
constexpr Squares k76 = {7, 7, 7, 6}, k34 = {3, 3, 3, 4}, k26 = {2, 7, 2, 6}, k84 = {8, 3, 8, 4};
constexpr Squares k56 = {5, 7, 5, 6};

}  // namespace model::testing
