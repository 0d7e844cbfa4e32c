// The depth-bounded search's last plies: mates in one as a problem counts
// them, and the nodes with three or four plies to go searched depth first.
#include <bit>

#include "engine/board/check_gen.h"
#include "engine/board/check_test.h"
#include "engine/board/evasion_gen.h"
#include "engine/board/make_move.h"
#include "engine/board/mate_in_one.h"
#include "engine/tsume/bounded_search.h"
#include "engine/tsume/captured_drop.h"
#include "engine/tsume/path_keys.h"
#include "engine/tsume/tsume_move_code.h"

namespace tsume::bounded {

// The attacker's (to move) captures onto `sq` that give check, written to
// `out`; both the promotion and the non-promotion where either may be made.
// With the attacker's own king on the board the full check generator answers,
// for its legality tests.
int checking_captures(KTsumeEngine& e, const KPosition& p, int attacker, int sq, KMove* out) {
  int n = 0;
  if (p.piece[attacker].sq < kInHand) {
    const int count = king_attacked(p, attacker) ? gyaku_oute_gen(p, e.scratch) : oute_gen(p, e.scratch, 1);
    for (int j = 0; j < count; ++j) {
      if (e.scratch[j].to == sq && e.scratch[j].captured_code != 0) out[n++] = e.scratch[j];
    }
    return n;
  }
  for (uint64_t set = kiki_direct64(kiki_at(p, sq), attacker); set != 0; set &= set - 1) {
    const int piece = std::countr_zero(set);
    const int from = p.piece[piece].sq;
    const int code = p.piece[piece].code;
    const bool zone = in_camp(attacker, from) || in_camp(attacker, sq);
    for (int promote = 1; promote >= 0; --promote) {
      if (promote ? !(can_promote(code) && zone) : !may_stay_unpromoted(code, sq)) continue;
      KMove& m = out[n];
      m = KMove{};
      write_board_move(m, p, piece, from, sq, promote);
      if (is_oute(p, m)) ++n;
    }
  }
  return n;
}

// Whether the defender to move (in check, position key `key`) is mated as a
// problem counts it: no answer, or only drops each of which a capture answers
// so again without the captured piece (captured_drop.h), the drops nearest
// the king tried first. Results are kept in the table as a defender's node
// with no ply to go. Moves are written from `base` in the move store. 1
// mated, 0 not (`hand_free` set when a move that is no drop answers, whatever
// the attacker holds), -1 when the store has no room or a limit stopped it.
int problem_mated(Search& s, KPosition& p, int attacker, const KHashKey& key, int ply, int base, bool& hand_free,
                  bool top) {
  KTsumeEngine& e = s.e;
  if (!top) {
    const Leaf known = read_node(s.t, key, 0, 0, kWholeNode, false);
    if (proven(known)) return 1;
    if (disproven(known)) return 0;
    // Every drop and capture in between counts: long lines of them are many.
    if (stop_now(s)) return -1;
    ++e.node_count;
  }
  const int room = kMovesPerPly * e.max_ply - base - kMaxMoves;
  // Most positions have an answer that is no drop. When the list below would
  // fit in any case (it never holds more than kMaxMoves), the walk stops at
  // that answer, and the drops before it are not written.
  if (room >= kMaxMoves && oute_nige_board_move_exists(p)) {
    hand_free = true;
    return 0;
  }
  const int n = oute_nige_gen(p, e.scratch);
  if (n == 0) return 1;
  if (n > room) return -1;
  for (int i = 0; i < n; ++i) {
    if (e.scratch[i].from != kInHand) {
      hand_free = true;
      return 0;
    }
  }
  KMove* drops = e.moves + base;
  for (int i = 0; i < n; ++i) drops[i] = e.scratch[i];
  const int king = p.piece[1 - attacker].sq;
  if (is_playing_square(king)) {
    std::stable_sort(drops, drops + n,
                     [&](const KMove& a, const KMove& b) { return chebyshev(a.to, king) < chebyshev(b.to, king); });
  }
  int result = 1;
  for (int i = 0; i < n && result == 1; ++i) {
    const KMove drop = drops[i];
    KHashKey dropped = key;
    hash_key_sashite(dropped, attacker, drop);
    do_move(p, drop, 0);
    KMove* captures = drops + n;
    const int k = checking_captures(e, p, attacker, drop.to, captures);
    int answered = 0;
    for (int j = 0; j < k && answered == 0; ++j) {
      KHashKey taken = dropped;
      hash_key_sashite(taken, attacker, captures[j]);
      do_move(p, captures[j], 0);
      give_back(p, captures[j]);
      bool free = false;
      answered = problem_mated(s, p, attacker, key_without_captured(taken, captures[j]), ply + 2, base + n + k, free,
                               false);
      give_back_undo(p, captures[j]);
      undo_move(p, captures[j], 0);
    }
    undo_move(p, drop, 0);
    if (answered < 0) return -1;
    result = answered;
  }
  if (!top) {
    // Kept for the hand the attacker has: with more, the defender has fewer
    // drops and stays mated; with fewer, a drop that was not answered still is not.
    if (result == 1) {
      if (tsume_store_proof(s.t, ply, key, kNoNodeMove, 0, 0) == nullptr) e.store_failed = true;
    } else {
      store_bound(s, ply, key, 1, 0, 1);
    }
  }
  return result;
}

// An attacker's node with one or two plies to go: a check that mates at once.
// Non-promotions are left out (the promotion mates whenever they do).
Leaf or_mate_in_one(Search& s, TsumeContext& c) {
  KTsumeEngine& e = s.e;
  const int n = c.move_count;
  HandCounts refuted = or_disproof_start(c.pos, c.attacker);
  bool drop_mate = false;
  for (int i = 0; i < n; ++i) {
    const KMove m = e.moves[c.move_base + i];
    if (skipped_nonpromotion(m)) continue;
    if (!is_pawn_drop(m) && oute_quick_refute(c.pos, m)) {
      // The king takes the checker or steps off its line, whatever the hands.
      refuted = hand_min_full_back(refuted, m);
      continue;
    }
    do_move(c.pos, m, 0);
    bool free = false;
    const int mated = problem_mated(s, c.pos, c.attacker, e.entries[c.move_base + i].key, c.ply + 1, c.move_base + n,
                                    free, false);
    const uint32_t child_hand = key_hand(e.entries[c.move_base + i].key);
    undo_move(c.pos, m, 0);
    if (mated < 0) {
      s.interrupted = true;
      return open_leaf(1, 1);
    }
    if (mated > 0) {
      if (is_pawn_drop(m)) {  // a drop-pawn mate is no mate
        drop_mate = true;
        continue;
      }
      return proof_leaf(1, tsume_move_encode(m), key_hand(c.key), drop_mate ? kDropMate : 0);
    }
    refuted = free ? hand_min_full_back(refuted, m) : hand_min(refuted, or_disproof_hand_back(child_hand, m));
  }
  if (drop_mate) {
    for (int k = kRook; k <= kPawn; ++k) {
      refuted.n[k] = std::min(refuted.n[k], c.pos.hand[c.attacker][k] + c.pos.hand[c.defender][k]);
    }
  }
  return disproof_leaf(2, drop_mate ? kDropMate : 0, pack_hand(refuted));
}

// A defender's node with no ply or one to go: mated at once, or not.
Leaf and_mated(Search& s, TsumeContext& c) {
  bool free = false;
  const int mated = problem_mated(s, c.pos, c.attacker, c.key, c.ply, c.move_base + c.move_count, free, true);
  if (mated < 0) {
    s.interrupted = true;
    return open_leaf(1, 1);
  }
  if (mated > 0) return proof_leaf(0, kNoNodeMove, key_hand(c.key), 0);
  return disproof_leaf(1, 0, free ? kFullHand : key_hand(c.key));
}

// ---- The last plies --------------------------------------------------------------
//
// A node with few plies to go is searched depth first, its children in order
// until the verdict is known: an attacker's node with three or four plies to
// go (each check with the defender's node after it), a defender's with two or
// three (each answer with a mate in one after it). Children are read from the
// table one at a time, not all at once as a visit of the proof-number search
// reads them.

// The verdict of listed move `slot`'s child with r plies to go: a repetition
// of the path, the table's, or its own search to the end. With `given_back`
// the move is a capture of a dropped piece and the child is the position
// after it without the captured piece.
Leaf direct_child(Search& s, TsumeContext& c, int slot, int r, bool given_back = false) {
  const KMove m = s.e.moves[c.move_base + slot];
  KHashKey key = c.key;
  hash_key_sashite(key, c.attacker, m);
  if (given_back) key = key_without_captured(key, m);
  if (tsume_path_find(s.e, key, c.ply)) return disproof_leaf(kForever, kLooped, key_hand(key));
  const bool child_or = c.pos.teban != c.attacker;
  const Leaf known = read_node(s.t, key, path_key_after(c.path_key, m, c.ply), r, kWholeNode, child_or);
  if (decided(known)) return known;
  tsume_descend(s.e, c, slot, false);
  if (given_back) give_back(c);
  const Leaf v = visit(s, c, r, kWholeNode, kCap, kCap);
  if (given_back) give_back_undo(c);
  tsume_ascend(s.e, c);
  return v;
}

Leaf direct_or(Search& s, TsumeContext& c, int r) {
  KTsumeEngine& e = s.e;
  const int n = c.move_count;
  HandCounts refuted = or_disproof_start(c.pos, c.attacker);
  int bound = kForever;
  uint8_t flags = 0;
  bool drop_mate = false;
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1 && !drop_mate) break;  // the non-promotions count only then
    for (int i = 0; i < n; ++i) {
      const KMove m = e.moves[c.move_base + i];
      if (skipped_nonpromotion(m) != (pass == 1)) continue;
      const Leaf v = direct_child(s, c, i, r - 1);
      if (s.interrupted) return open_leaf(1, 1);
      if (v.flags & kDropMate) drop_mate = true;
      if (proven(v)) {
        if ((v.flags & kTerminal) && is_pawn_drop(m)) {  // a drop-pawn mate is no mate
          drop_mate = true;
          continue;
        }
        return proof_leaf(v.length + 1, tsume_move_encode(m), tsume_or_proof_hand(v.hand, m),
                          static_cast<uint8_t>((v.flags & kExact) | (drop_mate ? kDropMate : 0)));
      }
      bound = std::min(bound, static_cast<int>(v.bound));
      flags |= v.flags & (kLooped | kExact);
      refuted = hand_min(refuted, or_disproof_hand_back(v.hand, m));
    }
  }
  if (drop_mate) {
    for (int k = kRook; k <= kPawn; ++k) {
      refuted.n[k] = std::min(refuted.n[k], c.pos.hand[c.attacker][k] + c.pos.hand[c.defender][k]);
    }
  }
  return disproof_leaf(add_bound(bound, 1), static_cast<uint8_t>(flags | (drop_mate ? kDropMate : 0)),
                       pack_hand(refuted));
}

// The drop at listed index i failed on its own (its position does not mate
// within r - 1): a capture of the dropped piece that mates within r without
// the captured piece, searched with the captures listed after the node's
// moves. The capture's verdict (a proof when there is one), or a disproof
// bound by all of them.
Leaf direct_capture(Search& s, TsumeContext& c, int i, int r) {
  KTsumeEngine& e = s.e;
  const int n = c.move_count;
  const KMove drop = e.moves[c.move_base + i];
  if (c.move_base + n + kMaxMoves >= kMovesPerPly * e.max_ply - 100) {
    s.interrupted = true;
    return open_leaf(1, 1);
  }
  do_move(c.pos, drop, 0);
  KMove* captures = e.moves + c.move_base + n;
  const int k = checking_captures(e, c.pos, c.attacker, drop.to, captures);
  undo_move(c.pos, drop, 0);
  Leaf result = disproof_leaf(kForever, 0, key_hand(c.key));
  c.move_count = n + k;
  for (int j = 0; j < k; ++j) {
    tsume_descend(e, c, i, false);  // the drop; the captures' list lies below the new move base
    e.moves[c.move_base] = captures[j];
    c.move_count = 1;
    const Leaf v = direct_child(s, c, 0, r, true);
    tsume_ascend(e, c);
    if (s.interrupted) break;
    if (proven(v)) {
      result = v;
      break;
    }
    result.bound = static_cast<int16_t>(std::min<int>(result.bound, v.bound));
    result.flags |= v.flags & (kLooped | kExact | kDropMate);
  }
  c.move_count = n;
  return result;
}

Leaf direct_and(Search& s, TsumeContext& c, int r, int level) {
  KTsumeEngine& e = s.e;
  const int n = c.move_count;
  const int king = c.pos.piece[c.defender].sq;
  HandCounts hand = mated_proof_hand(c.pos, c.attacker);
  int length = 0;
  uint8_t flags = 0;
  bool futile = false;
  auto use = [&](const Leaf& v) {
    length = std::max(length, v.length + 1);
    const HandCounts h = unpack_hand(v.hand);
    for (int k = kRook; k <= kPawn; ++k) hand.n[k] = std::max(hand.n[k], h.n[k]);
    flags |= v.flags & (kExact | kDropMate);
  };
  bool no_drop_answer = false;  // a move that is no drop answers the check
  for (int i = 0; i < n; ++i) {
    const KMove m = e.moves[c.move_base + i];
    if (m.from == kInHand) continue;
    no_drop_answer = true;
    const Leaf v = direct_child(s, c, i, r - 1);
    if (s.interrupted) return open_leaf(1, 1);
    if (disproven(v)) {
      return disproof_leaf(add_bound(v.bound, 1), v.flags & (kLooped | kExact | kDropMate),
                           and_refutation_hand(c, m, unpack_hand(v.hand)));
    }
    use(v);
  }
  // Whether the node without its drops at distance d and farther mates within
  // r - 2 (that is, at once): known per distance once asked.
  int8_t mated_without[kMaxDistance + 1];
  std::fill(mated_without, mated_without + kMaxDistance + 1, -1);
  auto node_without_mates = [&](int d) -> int {
    if (no_drop_answer) return 0;
    if (mated_without[d] >= 0) return mated_without[d];
    int result = 1;
    for (int i = 0; i < n && result == 1; ++i) {
      const KMove m = e.moves[c.move_base + i];
      if (m.from != kInHand || drop_distance(m, king) >= d) continue;
      const Leaf v = direct_capture(s, c, i, 0);
      if (s.interrupted) return -1;
      result = proven(v) ? 1 : 0;
    }
    mated_without[d] = static_cast<int8_t>(result);
    return result;
  };
  for (int d = 1; d < std::min(level, kMaxDistance + 1); ++d) {
    for (int i = 0; i < n; ++i) {
      const KMove m = e.moves[c.move_base + i];
      if (m.from != kInHand || drop_distance(m, king) != d) continue;
      const Leaf q = direct_child(s, c, i, r - 1);
      if (s.interrupted) return open_leaf(1, 1);
      if (proven(q)) {
        use(q);
        continue;
      }
      const HandCounts q_hand = unpack_hand(q.hand);
      const int bound = add_bound(q.bound, 1);
      // Futile only when the node without this drop reaches r.
      const int without = node_without_mates(d);
      if (without < 0) return open_leaf(1, 1);
      if (without == 1) {
        return disproof_leaf(bound, static_cast<uint8_t>((q.flags & (kLooped | kDropMate)) | kExact), key_hand(c.key));
      }
      const Leaf v = direct_capture(s, c, i, r);
      if (s.interrupted) return open_leaf(1, 1);
      if (!proven(v)) {
        return disproof_leaf(std::min(bound, static_cast<int>(v.bound)),
                             static_cast<uint8_t>((q.flags | v.flags) & (kLooped | kExact | kDropMate)),
                             and_refutation_hand(c, m, q_hand));
      }
      futile = true;
      flags |= v.flags & (kExact | kDropMate);
    }
  }
  if (futile) {
    length = std::max(length, r & ~1);
    flags |= kExact;  // it leaned on the other answers reaching r
  }
  for (int k = kRook; k <= kPawn; ++k) hand.n[k] = std::min<int>(hand.n[k], c.pos.hand[c.attacker][k]);
  return proof_leaf(length, kNoNodeMove, pack_hand(hand), flags);
}

}  // namespace tsume::bounded
