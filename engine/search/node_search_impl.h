// The node search's working state, shared by its two source files: the entry,
// the stage machine, the proof of a loss and the end of the node
// (search_node.cpp), and the move procedure with the pass, the double pass and
// the verification of pruned results (node_moves.cpp). One object lives for
// one call of search_node. A loss (-32766) it reports rests on every legal
// move shown lost, never on the selection of moves its stages made.
#pragma once

#include <cstdint>

#include "engine/board/position.h"
#include "engine/search/move_list.h"
#include "engine/search/move_words.h"
#include "engine/search/node_records.h"
#include "engine/search/search_node.h"

namespace search {

// Tuning by search mode 0 / 1 / 2.
constexpr int kFutilityMargin[3] = {3000, 400, 600};
constexpr int kEscapeMargin[3] = {50, 100, 150};
constexpr int kPassAtPly3Bonus[3] = {0, 30, 140};
constexpr int kVerifyMargin[3] = {800, 2000, 2000};

// Results below this are lost positions, not real results.
constexpr int kRealResultFloor = -31000;

// The depth pure rules of a node, exposed for their tests.
// The reduction of the pass child by remaining plies and search mode.
int pass_reduction(int remaining, int mode);
// The child's ext after adding the extension e > 0 that the table remembers:
// none from ply 20 on; above 12 it becomes 0 when the incoming move or the
// move is a pass and 12 past ply 9; the sum is capped at 4e - 12 (never below
// the ext before).
int table_extension(int child_ext, int e, int ply, bool pass_involved);
// The extension of a capture within two plies of the horizon in a list of n
// captures: 12 / n for a rook or dragon, 6 / n for anything but an unpromoted
// pawn.
int capture_extension(int captured_code, int n);

// Where a pruned result stands while the node waits to verify it.
enum class NullState : uint8_t {
  kNone = 0,
  kVerifyBest = 2,        // a new best inside the window, pruned: verified at the end of the node
  kVerifyCutoff = 3,      // a cut-off, pruned: the pass is searched with a null window first
  kCutoffConfirmed = 4,   // the pass under the null window held the cut-off: the node returns
};

class NodeSearch {
 public:
  NodeSearch(ThinkContext& cx, KSearchNode& node, const KMoveNode* incoming, int alpha, int beta, int flag_a, int flag_b);
  int Run();

 private:
  enum class Flow { kNext, kEndStage, kReturn };
  static constexpr int kSearchedRoom = 1024;
  static constexpr int kPassedRoom = 64;
  // Each restart after a failed verification keeps one more move as searched,
  // so a node restarts at most this often.
  static constexpr int kMaxRestarts = kSearchedRoom;

  // search_node.cpp
  void Enter();
  bool Skipped(NodeStage code) const;
  void FutilityTest();
  Flow RunStage(NodeStage code, int column);
  Flow HashMoveStage(int column);
  Flow ProveLoss();
  void PassOver(board::KMoveWord w);
  bool Valued(board::KMoveWord w) const;
  int Generate(NodeStage code, board::KMove* out, int* stage, int* linker);
  Flow VerifyPending(bool* restart);
  int EndOfNode();
  int StaticScore();
  void Trace(int code) const;
  void AddSearched(board::KMoveWord w);

  // node_moves.cpp
  Flow SearchList(KMoveNode* head, int count, int stage, int column);
  // `key`: the key after the move, made by the list ahead of the move, and
  // `bucket` its table bucket (hash_prefetch).
  Flow SearchMove(KMoveNode* ln, int count, int stage, int column, const board::KHashKey& key, uint32_t bucket);
  Flow PassStage();
  Flow DoublePass();
  Flow TakeScore(int s, board::KMoveWord w, int stage, bool from_child);
  Flow TableValue(board::KMoveWord w, int stage, int probe, int exact, bool clear_reply_flags);
  void Verify(KMoveNode* ln, int stage, int set_index, int* s);
  void SaveVerification(KMoveNode* ln, int stage, int set_index);
  void Prune(KMoveNode* ln, int s, int stage, Flow* flow);
  bool TakeBackMove(const board::KMove& m) const;
  void ClearChildTable();
  int ResearchExtended(KMoveNode* ln, int e);
  void SetLine(board::KMoveWord w, int stage, bool with_child);

  ThinkContext& cx_;
  KSearchNode& node_;
  const KMoveNode* incoming_node_;
  board::KPosition& p_;
  const board::KMove& incoming_;
  int ply_, side_, row_, mode_;
  NodeDepth depth_;
  int alpha_, beta_, entry_alpha_, best_;
  int flag_a_, flag_b_;
  bool in_check_ = false;
  // Whether the moves' exchange patterns can match at all (the last moves decide).
  bool patterns_ = false;
  uint32_t threat_ = 0;
  uint32_t outer_threat_ = 0;
  bool knight_step_ = false;
  // The own previous move and the answer to it could be taken back (set on entry).
  bool take_back_possible_ = false;
  int depth_lag_ = 0;
  bool futile_ = false;
  bool futility_done_ = false;
  bool real_result_ = false;
  bool scored_ = false;
  NullState null_state_ = NullState::kNone;
  int escape_state_ = 0;
  KPassThreat pass_threat_;
  int credit_ = 0;
  int margin_ = 0;
  int recapture_sq_ = 0;
  bool pass_done_ = false;
  int restarts_ = 0;
  bool proved_ = false;   // the node has searched the moves without a score
  bool proving_ = false;  // ... and is searching them now: no rule passes over one
  int ret_ = 0;
  int pool_base_ = 0;
  KSearchedSet set_;
  board::KMoveWord set_list_[kSearchedRoom];
  // Moves entered as searched that a pruning rule passed over without a
  // score; past the room every move counts as such.
  board::KMoveWord passed_[kPassedRoom];
  int passed_count_ = 0;
  bool passed_full_ = false;
  KSearchNode child_{};

  // The move whose pruned result waits for verification. SaveVerification
  // writes these (and the pv below) when it sets a verifying null state, the
  // only state in which VerifyPending reads them, so they are left unset until
  // then instead of being cleared on every node's entry.
  KSearchNode saved_child_;
  board::KMove saved_move_;
  KMoveNode* saved_node_ = nullptr;
  int saved_stage_ = 0;
  int saved_set_index_ = 0;
  KPvHolder saved_pv_;
  // Best and alpha before that move was searched.
  int best_before_ = 0;
  int alpha_before_ = 0;
};

// Inline: the move procedure enters nearly every move it is given.
inline void NodeSearch::AddSearched(board::KMoveWord w) {
  if (tried_moves_count(set_) < kSearchedRoom) tried_moves_add(set_, w);
}

}  // namespace search
