// The search's line records: the path-position table as the root and the
// nodes register their lines in it (positions of the line itself, and
// positions one move away that a longer detour must not reach), the
// repetition test against it, the per-side mate-threat records of a node, the
// packed threat move and the replay of a node's line from the transposition
// table.
#pragma once

#include <cstdint>

#include "engine/board/hash_key.h"
#include "engine/board/position.h"
#include "engine/board/repetition.h"
#include "engine/search/node_records.h"
#include "engine/search/search_words.h"
#include "engine/search/think_context.h"

namespace search {

// Kinds of a path-position entry.
constexpr uint32_t kPathOneMoveAway = 0;
constexpr uint32_t kPathOnPath = 1;

// Enters the root position (on-path, ply 0) and every position one move (in
// check: one evasion) away from it; sets every per-ply count of the think.
void root_path_register(ThinkContext& cx, const KSearchNode& node);
// At ply p (1..41; nothing beyond): cuts the table back to ply p - 1, enters
// the key on-path, and the squares a rook of the side to move reaches on a
// file held only by an enemy pawn more than one rank ahead.
void rook_file_register(ThinkContext& cx, const board::KPosition& p, const board::KHashKey& key, int ply);
// What the repetition test says of a move whose child position is on the
// think's path, or one move away from it, at least three plies back.
enum class PathRepetition : int {
  kNone = 0,          // no repetition: the move is searched
  kPassOver = 1,      // the move is not searched: the position recurs at odd
                      // distance, the opponent passed in the cycle, it comes
                      // back beside the line, or it repeats the mover's own
                      // perpetual check
  kDraw = 2,          // a plain repetition: the move scores the draw value
  kWinsForMover = 3,  // the mover was in check at each of its moves in the
                      // cycle (the opponent's perpetual check) or passed in it:
                      // the move wins
  kPassedDetour = 4,  // beside the line at odd distance with a pass in the
                      // cycle: the move is searched
};
// The test at `ply` for the child key of `move`; `stack[i]` is the move-stack
// entry of ply i + 1; `flag` 1 when the side to move is in check.
// The verdict for a child key found on the path as entry e.
PathRepetition path_repetition_found(const board::KPathRepEntry& e, const board::KPosition& p,
                                     const board::KMove& move, int ply, const board::KMove* stack, int flag);
// Inline: every move searched asks, and for nearly all of them the key is not
// on the path, which the table's lookup alone tells.
inline PathRepetition path_repetition_test(const board::KPosition& p, const board::KMove& move,
                                           const board::KHashKey& key, int ply, const board::KMove* stack, int flag) {
  const board::KPathRepEntry* e = board::path_rep_find(key);
  return e == nullptr ? PathRepetition::kNone : path_repetition_found(*e, p, move, ply, stack, flag);
}

// The packed threat move: bit 15 present; low byte 10 x file + rank of the
// destination; high byte likewise of the origin, or for a drop 0 x 10 + kind
// (1 rook .. 7 pawn); 0x7fff present without a move (a pass).
constexpr uint32_t kThreatPresent = 0x8000;
constexpr uint32_t kThreatPassBits = 0x7fff;
inline bool threat_move_present(uint32_t word) { return (word & kThreatPresent) != 0 && (word & kThreatPassBits) != 0; }
uint32_t threat_move_encode(const board::KMove& m);
// The move of `mover` that the word names on the position: piece numbers and
// codes from the board (promoting whenever the piece may promote there), a
// drop takes the next piece of its kind in hand, a pass record for 0x7fff.
board::KMove threat_move_decode(const board::KPosition& p, uint32_t word, int mover);

// The key under which a mate against side s is remembered: the position's
// full key with the other side to move, plus one Zobrist unit in word 2 when
// s is sente.
board::KHashKey threat_record_key(board::KPosition& p, int s);
// Rebuilds or copies the child's mate-threat records after a move.
void mate_threat_record_update(const ThinkContext& cx, KSearchNode& child, const KSearchNode& parent);
// The mover's record in the child: the parent's while the move gave check
// (the child's side to move stands in check), else none.
inline void mate_threat_mover_record(KSearchNode& child, const KSearchNode& parent, int mover, bool gave_check) {
  if (gave_check) {
    child.threat[mover] = parent.threat[mover];
  } else {
    child.threat[mover].key.word[0] = 0;
  }
}
// mate_threat_record_update for a child without a threat move (threat_move
// 0), when the caller knows whether the move gave check: the side to move
// keeps the parent's record.
inline void mate_threat_record_carry(KSearchNode& child, const KSearchNode& parent, int to_move, bool gave_check) {
  child.threat[to_move] = parent.threat[to_move];
  mate_threat_mover_record(child, parent, 1 - to_move, gave_check);
}

// Re-keys the node's line after index i and extends it from the table up to
// index 17; the number of moves appended.
int pv_replay(KSearchNode& node, int i);

// A move record from a word without the board (piece numbers 0).
board::KMove kmove_from_word(board::KMoveWord w);

}  // namespace search
