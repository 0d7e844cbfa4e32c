#include "engine/eval/eval_diff.h"

#include <array>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/board/eval_record.h"
#include "engine/board/exchange_values.h"
#include "engine/board/strategy_cells.h"
#include "engine/eval/eval_access.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/record_terms.h"

namespace eval {

namespace {

using board::KEvalRecord;
using board::KMove;
using board::KPosition;

using KingRows = int16_t[board::kKingRelClasses][board::kKingSquares];

constexpr int kClassMask = 0x1F;      // kind and promotion: the class of a code
constexpr int kSecondGroup = 6;       // the first class around the enemy king

// Classes around the own king, by code class (-1 none).
constexpr const std::array<int8_t, 32>& kOwnClass = board::kOwnKingClass;

// Classes around the enemy king that the record keeps: the table's classes but
// the horse's, which the record leaves out (as the root record's build does);
// -1 none (also the unpromoted lance and the major pieces).
constexpr std::array<int8_t, 32> kEnemyClass = [] {
  std::array<int8_t, 32> t = kSecondGroupClass;
  t[board::kHorse] = -1;
  return t;
}();

// Strategy-table layer by code class (board::senkei_layer_of as a table), -1 none.
constexpr std::array<int8_t, 32> kLayer = [] {
  std::array<int8_t, 32> t{};
  for (int c = 0; c < 32; ++c) t[c] = static_cast<int8_t>(board::senkei_layer_of(c));
  return t;
}();

// The strategy cells read when no strategy table is in force: all zero.
const board::KSenkeiTable kNoCells{};

// The placement pair of a rook, dragon, bishop or horse of `side` on `sq`.
struct Pair {
  int attack;
  int hand_b;
};

// A piece's square byte names a board square below 252 (252 in a hand, 255
// out of play).
constexpr bool on_board(int sq) { return sq < board::kInHand; }

template <int side>
Pair placement_pair(int cls, int sq) {
  switch (cls) {
    case board::kRook: return board::in_camp(side, sq) ? Pair{550, 200} : Pair{150, 400};
    case board::kDragon: return {650, 235};
    case board::kBishop: return board::in_camp(side, sq) ? Pair{200, 400} : Pair{100, 400};
    case board::kHorse: return {300, 0};
    default: return {0, 0};
  }
}

bool has_pair(int cls) {
  return cls == board::kRook || cls == board::kBishop || cls == board::kDragon || cls == board::kHorse;
}

// The king-relative class of each piece code as the side S whose king moved
// reads it, as the offset of its row within one king square's rows (class x
// 81): an own piece's class around S's king (0..5), an enemy piece's class
// around S's king as the enemy's attack (6..12), -1 none. One read tells the
// group and the row, without a multiply in the loop over the pieces.
template <int S>
constexpr std::array<int16_t, 256> kBodyRow = [] {
  std::array<int16_t, 256> t{};
  for (int c = 0; c < 256; ++c) {
    const int cls = (c & board::side_bit(S)) ? kOwnClass[c & kClassMask] : kEnemyClass[c & kClassMask];
    t[c] = static_cast<int16_t>(cls < 0 ? -1 : cls * board::kKingSquares);
  }
  return t;
}();

// The change of one record by one move of side S on the position (made
// already). The mover is a template argument: its record fields, camp and
// king-relative index row are then constants.
template <int S>
class Update {
 public:
  static constexpr int s = S, o = 1 - S;

  Update(const KPosition& p, KEvalRecord& r)
      : p_(p), r_(r), w_(*eval_setup.eval_weights), cells_(board::eval_links.senkei_current ? board::eval_links.senkei_current : &kNoCells) {}

  static void Add(int16_t& field, int v) { field = static_cast<int16_t>(field + v); }

  // The king-relative rows of `king` as `side` reads them; null without a king.
  template <int side>
  const KingRows* Rows(int king) const {
    return on_board(king) ? &w_.king_rel[kKingRelIndex[side][king]] : nullptr;
  }
  template <int side>
  static int Rel(const KingRows* rows, int cls_index, int sq) {
    return rows && cls_index >= 0 ? (*rows)[cls_index][kKingRelIndex[side][sq]] : 0;
  }

  // The change of a piece's king-relative value when it moves from `from`
  // (class index cls_from) to `to` (cls_to). Most moves keep the class: the
  // class row is then found once and read at both squares.
  template <int side>
  static int RelMove(const KingRows* rows, int cls_from, int cls_to, int from, int to) {
    if (rows == nullptr) return 0;
    if (cls_from == cls_to) {
      if (cls_to < 0) return 0;
      const int16_t* row = (*rows)[cls_to];
      return row[kKingRelIndex[side][to]] - row[kKingRelIndex[side][from]];
    }
    return Rel<side>(rows, cls_to, to) - Rel<side>(rows, cls_from, from);
  }

  // Strategy-square value of a code class for `side` on `sq`.
  template <int side>
  int Cell(int cls, int sq) const {
    const int layer = kLayer[cls];
    return layer < 0 ? 0 : cells_->cell[side][layer][sq - board::kFirstSquare];
  }

  // The change of the strategy-square value of a piece moving from `from`
  // (class cls_from) to `to` (cls_to); as RelMove, a kept class reads its
  // layer once.
  template <int side>
  int CellMove(int cls_from, int cls_to, int from, int to) const {
    if (cls_from != cls_to) return Cell<side>(cls_to, to) - Cell<side>(cls_from, from);
    const int layer = kLayer[cls_to];
    if (layer < 0) return 0;
    const auto& row = cells_->cell[side][layer];
    return row[to - board::kFirstSquare] - row[from - board::kFirstSquare];
  }

  template <int side>
  void AddPair(int cls, int sq, int sign) {
    const Pair pair = placement_pair<side>(cls, sq);
    Add(r_.att[side].attack, sign * pair.attack);
    Add(r_.hand_b[side], sign * pair.hand_b);
  }

  void Drop(const KMove& m) {
    const int k = m.code & kClassMask;
    const int n = p_.hand[s][k];
    Add(r_.att[s].attack, -w_.count_split[k][n][0]);
    Add(r_.hand_b[s], -w_.count_split[k][n][1]);
    if (k != board::kPawn) {
      Add(r_.hand_b[s], w_.count_curve_b[p_.hand_sum[s]]);
    } else {
      refresh_ |= 1 << s;  // a pawn file closes, a pawn leaves the hand
      resum_ |= 1 << s;
      pawns_gained_ = -1;
    }
    Add(r_.mat[s].material, Cell<s>(k, m.to) - w_.count_value[k][n] + w_.piece_value[k]);
    if (has_pair(k)) {
      AddPair<s>(k, m.to, 1);
    } else {
      Add(r_.att[s].attack, Rel<s>(Rows<s>(p_.piece[o].sq), kEnemyClass[k], m.to));
      Add(r_.def[s].defence, Rel<s>(Rows<s>(p_.piece[s].sq), kOwnClass[k], m.to));
    }
  }

  // Every non-king board move, the dragon's and the horse's included: their
  // strategy-square change goes to material too, so that material stays the sum
  // over the board whichever piece moves.
  void BoardMove(const KMove& m) {
    const int k = m.code & kClassMask;
    const int k2 = m.promote ? k | board::kPromotedBit : k;
    Add(r_.mat[s].material,
        CellMove<s>(k, k2, m.from, m.to) + (m.promote ? w_.piece_value[k2] - w_.piece_value[k] : 0));
    if (k == board::kPawn && m.promote) {
      // The new promoted pawn is already on s's list; its pawn file opens.
      Add(r_.mat[s].material, -tokin_penalty_entry(static_cast<int>(p_.tokin[s].count) - 1));
      refresh_ |= 1 << s;
      resum_ |= 1 << s;
    }
    if (has_pair(k)) {
      AddPair<s>(k, m.from, -1);
      AddPair<s>(k2, m.to, 1);
    }
    if (kOwnClass[k] >= 0 || kOwnClass[k2] >= 0) {
      Add(r_.def[s].defence, RelMove<s>(Rows<s>(p_.piece[s].sq), kOwnClass[k], kOwnClass[k2], m.from, m.to));
    }
    if (kEnemyClass[k] >= 0 || kEnemyClass[k2] >= 0) {
      Add(r_.att[s].attack, RelMove<s>(Rows<s>(p_.piece[o].sq), kEnemyClass[k], kEnemyClass[k2], m.from, m.to));
    }
  }

  // BoardMove for a move that keeps the piece's class (no promotion): its
  // strategy-square change and its king-relative changes, each read from one
  // row. No pawn file and no hand changes. Static, and each table found where
  // it is read, so that few values stay live across the three changes.
  static void PlainMove(const KMove& m, const KPosition& p, KEvalRecord& r) {
    const int k = m.code & kClassMask;
    if (const int layer = kLayer[k]; layer >= 0) {
      const board::KSenkeiTable* cells = board::eval_links.senkei_current;
      if (cells != nullptr) {
        const auto& row = cells->cell[s][layer];
        Add(r.mat[s].material, row[m.to - board::kFirstSquare] - row[m.from - board::kFirstSquare]);
      }
    }
    if (has_pair(k)) {
      const Pair before = placement_pair<s>(k, m.from), after = placement_pair<s>(k, m.to);
      Add(r.att[s].attack, after.attack - before.attack);
      Add(r.hand_b[s], after.hand_b - before.hand_b);
    }
    const KEvalWeights& w = *eval_setup.eval_weights;
    if (const int own = kOwnClass[k]; own >= 0 && on_board(p.piece[s].sq)) {
      const int16_t* row = w.king_rel[kKingRelIndex[s][p.piece[s].sq]][own];
      Add(r.def[s].defence, row[kKingRelIndex[s][m.to]] - row[kKingRelIndex[s][m.from]]);
    }
    if (const int enemy = kEnemyClass[k]; enemy >= 0 && on_board(p.piece[o].sq)) {
      const int16_t* row = w.king_rel[kKingRelIndex[s][p.piece[o].sq]][enemy];
      Add(r.att[s].attack, row[kKingRelIndex[s][m.to]] - row[kKingRelIndex[s][m.from]]);
    }
  }

  // The capture by s on m.to; `s_king` is the square s's king stood on when the
  // captured piece's terms around it were last set.
  void Capture(const KMove& m, int s_king) {
    const int j = board::code_kind(m.captured_code);
    assert(j >= board::kRook && j <= board::kPawn);  // a king is never taken
    const int n = p_.hand[s][j] - 1;
    Add(r_.mat[s].material, w_.count_value[j][n]);
    Add(r_.att[s].attack, w_.count_split[j][n][0]);
    Add(r_.hand_b[s], w_.count_split[j][n][1]);
    if (j != board::kPawn) {
      Add(r_.hand_b[s], -w_.count_curve_b[p_.hand_sum[s] - 1]);
    } else {
      // One more pawn in hand weighs s's open files anew; the files stay as
      // they were (the capturer keeps its file unless it promotes, which
      // BoardMove counts).
      refresh_ |= 1 << s;
      pawns_gained_ = 1;
    }

    const int c = m.captured_code & kClassMask;
    Add(r_.mat[o].material, -(Cell<o>(c, m.to) + w_.piece_value[c]));
    if (c == board::kTokin) Add(r_.mat[o].material, tokin_penalty_entry(static_cast<int>(p_.tokin[o].count)));
    if (c == board::kPawn) {  // its file opens
      refresh_ |= 1 << o;
      resum_ |= 1 << o;
    }
    if (has_pair(c)) AddPair<o>(c, m.to, -1);
    Add(r_.def[o].defence, -Rel<o>(Rows<o>(p_.piece[o].sq), kOwnClass[c], m.to));
    Add(r_.att[o].attack, -Rel<o>(Rows<o>(s_king), kEnemyClass[c], m.to));
  }

  // The king's square value, then the rebasing that eval_sashite_diff_body
  // runs (Body); the caller refreshes the open files once, with the capture's.
  void KingMove(const KMove& m) {
    Add(r_.mat[s].material, Cell<s>(board::kKing, m.to) - Cell<s>(board::kKing, m.from));
    Body(m.from);
  }

  // The terms around s's king, moved from `old_king`: s's pieces' defence and
  // o's pieces' attack, each piece's value on the new king square less the old.
  // Out of line: a king move is one move in ten, and its loop's registers
  // would otherwise be saved and restored on every move.
  [[gnu::noinline]] void Body(int old_king) {
    constexpr int kSecondGroupRow = kSecondGroup * board::kKingSquares;
    const int king = p_.piece[s].sq;
    const int16_t* own_now = &w_.king_rel[kKingRelIndex[s][king]][0][0];
    const int16_t* own_before = &w_.king_rel[kKingRelIndex[s][old_king]][0][0];
    const int16_t* enemy_now = &w_.king_rel[kKingRelIndex[o][king]][0][0];
    const int16_t* enemy_before = &w_.king_rel[kKingRelIndex[o][old_king]][0][0];
    int defence = 0, attack = 0;  // s's defence, o's attack
    for (int n = board::kKindRange[board::kBishop].first; n < board::kPieceCount; ++n) {
      const board::KPieceEntry& e = p_.piece[n];
      const int row = kBodyRow<S>[e.code];
      if (row < 0 || !on_board(e.sq)) continue;
      if (row < kSecondGroupRow) {
        const int q = row + kKingRelIndex[s][e.sq];
        defence += own_now[q] - own_before[q];
      } else {
        const int q = row + kKingRelIndex[o][e.sq];
        attack += enemy_now[q] - enemy_before[q];
      }
    }
    // Half the king's square value: in s's defence, out of o's attack.
    const int half = king_half_bonus(w_, s, king) - king_half_bonus(w_, s, old_king);
    Add(r_.def[s].defence, defence + half);
    Add(r_.att[o].attack, attack - half);
    if (board::square_file(king) != board::square_file(old_king)) {
      refresh_ |= 1 << o;
      resum_ |= 1 << o;
    }
  }

  // The open-file sums and their weighted terms of the sides whose pawn files,
  // pawns in hand or enemy king file the move changed: the term of the
  // parent's sum with the parent's pawns in hand out, the new one in. Only the
  // mover's pawns in hand change, by pawns_gained_.
  void RefreshOpenFiles() {
    if (refresh_ == 0) return;
    for (int side = 0; side < 2; ++side) {
      if (!(refresh_ & (1 << side))) continue;
      const int pawns = p_.hand[side][board::kPawn];
      int32_t& open = r_.att[side].open_file;
      Add(r_.att[side].attack, -open_file_term(w_, open, side == s ? pawns - pawns_gained_ : pawns));
      if (resum_ & (1 << side)) open = open_file_sum(w_, p_, side);
      Add(r_.att[side].attack, open_file_term(w_, open, pawns));
    }
  }

 private:
  const KPosition& p_;
  KEvalRecord& r_;
  const KEvalWeights& w_;
  const board::KSenkeiTable* cells_;
  int refresh_ = 0;       // bit s: side s's open-file term needs refreshing
  int resum_ = 0;         // bit s: and its open-file sum, as its files or the enemy king's file changed
  int pawns_gained_ = 0;  // the change of the mover's pawns in hand
};

// The bytes of a record that a move keeps: all but the flags and the three
// "extra" fields of each side, which every move clears.
constexpr std::array<uint8_t, sizeof(KEvalRecord)> kKeptBytes = [] {
  std::array<uint8_t, sizeof(KEvalRecord)> t{};
  t.fill(0xFF);
  const auto clear = [&t](size_t offset, size_t size) {
    for (size_t i = 0; i < size; ++i) t[offset + i] = 0;
  };
  clear(offsetof(KEvalRecord, flags), sizeof(KEvalRecord::flags));
  for (size_t side = 0; side < 2; ++side) {
    clear(offsetof(KEvalRecord, att) + side * sizeof(KEvalRecord::Attack) + offsetof(KEvalRecord::Attack, attack_extra),
          sizeof(int16_t));
    clear(offsetof(KEvalRecord, def) + side * sizeof(KEvalRecord::Defence) +
              offsetof(KEvalRecord::Defence, defence_extra),
          sizeof(int16_t));
    clear(offsetof(KEvalRecord, mat) + side * sizeof(KEvalRecord::Material) +
              offsetof(KEvalRecord::Material, material_extra),
          sizeof(int16_t));
  }
  return t;
}();

// child = parent with the flags and the extras cleared, as one masked copy of
// the record's bytes (a few vector words) instead of a copy and seven stores.
void copy_cleared(const KEvalRecord& parent, KEvalRecord& child) {
  uint8_t bytes[sizeof(KEvalRecord)];
  std::memcpy(bytes, &parent, sizeof bytes);
  for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] &= kKeptBytes[i];
  std::memcpy(&child, bytes, sizeof bytes);
}

// Drops, king moves and promotions, with their captures: out of line, so that
// the common move below keeps its few values in scratch registers.
template <int S>
[[gnu::noinline]] void update_rare(const KMove& m, const KPosition& p, KEvalRecord& child) {
  Update<S> u(p, child);
  int s_king = p.piece[S].sq;
  if (m.from == board::kInHand) {
    u.Drop(m);
  } else if (board::code_kind(m.code) == board::kKing) {
    s_king = m.from;
    u.KingMove(m);
  } else {
    u.BoardMove(m);
  }
  if (m.captured_code != 0) u.Capture(m, s_king);
  u.RefreshOpenFiles();
}

// The capture of a board move that is neither a king's nor a promotion.
template <int S>
[[gnu::noinline]] void update_capture(const KMove& m, const KPosition& p, KEvalRecord& child) {
  Update<S> u(p, child);
  u.Capture(m, p.piece[S].sq);
  u.RefreshOpenFiles();
}

// Most moves are board moves of a piece other than the king that keep its
// class; without a capture they change no pawn file and no hand, and touch
// only the mover's material, defence and attack.
template <int S>
void update(const KMove& m, const KPosition& p, KEvalRecord& child) {
  if (m.from == board::kInHand || board::code_kind(m.code) == board::kKing || m.promote) {
    update_rare<S>(m, p, child);
    return;
  }
  Update<S>::PlainMove(m, p, child);
  if (m.captured_code != 0) update_capture<S>(m, p, child);
}

template <int S>
void update_body(const KPosition& p, int old_king, KEvalRecord& r) {
  Update<S> u(p, r);
  u.Body(old_king);
  u.RefreshOpenFiles();
}

}  // namespace

void eval_sashite_diff(const KMove& m, const KPosition& p, const KEvalRecord& parent, KEvalRecord& child) {
  copy_cleared(parent, child);
  if (m.from == board::kPassSquare) return;
  if (p.teban == 1) {
    update<0>(m, p, child);
  } else {
    update<1>(m, p, child);
  }
}

void eval_sashite_diff_body(const KPosition& p, int s, int old_king, KEvalRecord& r) {
  if (s == 0) {
    update_body<0>(p, old_king, r);
  } else {
    update_body<1>(p, old_king, r);
  }
}

}  // namespace eval
