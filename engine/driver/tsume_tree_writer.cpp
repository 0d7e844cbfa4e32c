// Writing a solution tree into a game record: below the attacker's first move,
// every defence that is not a useless interposition, each followed by the
// attacker's answer from the tree, down to the mates.
#include <vector>

#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/mate_jobs.h"
#include "engine/tsume/tsume_engine.h"
#include "engine/tsume/tsume_entry.h"
#include "model/record/kifu.h"

namespace driver {

namespace {

// A tree answers each defence with a shorter mate, so its lines end long
// before this many defences; a broken tree ends here.
constexpr int kMaxDefences = tsume::kSolverMaxPly / 2;

class TreeWriter {
 public:
  TreeWriter(KTsumeJob& job, model::Kifu& kifu, int mode) : job_(job), kifu_(kifu), mode_(mode) {}

  // The defences of the defender to move at `node`, whose position `p` holds.
  void Write(model::KifuKyokumen* node, board::KPosition& p, int depth) {
    if (job_.stop_tree.load() || depth >= kMaxDefences) return;
    std::vector<board::KMove> evasions(board::kMaxMoves);
    evasions.resize(static_cast<size_t>(board::oute_nige_gen(p, evasions.data())));
    for (const board::KMove& m : evasions) {
      if (job_.stop_tree.load()) break;
      if (m.from == board::kInHand && tsume::ktsume_check_answer(p, m, mode_) != 0) continue;
      model::KifuSashite* defence = Add(node, m);
      if (defence == nullptr) continue;
      board::do_move(p, m, 0);
      board::KMove answer;
      if (tsume::ktsume_get_answer(p, &answer, mode_) == 0) {
        // An answer the record refuses ends the branch.
        if (model::KifuSashite* reply = Add(defence->to, answer)) {
          board::do_move(p, answer, 0);
          Write(reply->to, p, depth + 1);
          board::undo_move(p, answer, 0);
        }
      }
      board::undo_move(p, m, 0);
    }
  }

 private:
  // Adds the move after `node` (found when it is there, joined to an equal
  // position when there is one), leaving the line as it was.
  model::KifuSashite* Add(model::KifuKyokumen* node, const board::KMove& m) {
    model::Sashite s;
    if (bridge::kmove_to_sashite(s, node->kyokumen, m) != 0) return nullptr;
    return model::Kifu::AddSashiteAtPos(node, s, 0, nullptr, -1, kifu_.table.get(), model::KifuChooser::kFirst, false);
  }

  KTsumeJob& job_;
  model::Kifu& kifu_;
  int mode_;
};

}  // namespace

int ktsume_tree_to_kifu(KTsumeJob& job, int mode) {
  job.stop_tree.store(0);
  const TsumeCursor& c = job.cursor;
  if (c.kifu == nullptr || c.current == nullptr || c.current->to == nullptr) return -1;
  const model::KifuSashite* first = c.current->to->next.Current();
  if (first == nullptr || first->to == nullptr || first->sashite.special != model::kOrdinaryMove) return -1;
  board::KPosition p;
  if (bridge::position_load(p, first->to->kyokumen) != 0) return -1;
  TreeWriter(job, *c.kifu, mode).Write(first->to, p, 0);
  return job.stop_tree.load() ? -1 : 0;
}

}  // namespace driver
