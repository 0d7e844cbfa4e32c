#include "engine/board/quiescence_gen.h"

#include <algorithm>
#include <cstring>

#include "engine/board/eval_record.h"
#include "engine/board/exchange_values.h"
#include "engine/board/kiki.h"
#include "engine/board/stage_rules.h"
#include "engine/board/strategy_cells.h"
#include "engine/board/think_board.h"

namespace board {

namespace {

constexpr int kThreshold[3][4] = {{50, 50, 100, 200}, {100, 100, 250, 400}, {200, 200, 400, 600}};
constexpr int kZoneSliderGain = 100;  // an unpromoted rook or bishop in the zone capturing
constexpr int kLanceLimit = 1000;     // of the quiescence record's two words

// The front-drop pass walks the kinds' number ranges one after the other.
static_assert(kKindRange[kRook].first + kKindRange[kRook].count == kKindRange[kBishop].first);
static_assert(kKindRange[kLance].first + kKindRange[kLance].count == kKindRange[kPawn].first);
static_assert(kKindRange[kPawn].first + kKindRange[kPawn].count == kPieceCount);

// The 16-bit word `index` of the evaluation record.
int record_word(const KEvalRecord& r, int index) {
  int16_t v;
  std::memcpy(&v, reinterpret_cast<const unsigned char*>(&r) + 2 * index, sizeof v);
  return v;
}

// The king-relative row of a code class around its own king: gold and the
// gold-moving promoted pieces 0, silver 1, knight 2, lance 3, pawn 4, horse 5.
int own_king_row(int cls) {
  switch (cls) {
    case kGold:
    case kSilver | kPromotedBit:
    case kKnight | kPromotedBit:
    case kLance | kPromotedBit:
    case kTokin:
      return 0;
    case kSilver:
      return 1;
    case kKnight:
      return 2;
    case kLance:
      return 3;
    case kPawn:
      return 4;
    case kHorse:
      return 5;
    default:
      return -1;
  }
}

int king_table_index(int side, int sq) { return (side_rank(side, sq) - 1) * 9 + side_file(side, sq) - 1; }

// The king-relative table's value of a piece around its owner's king.
[[gnu::noinline]] int king_square_value(const KPosition& p, int side, int code, int sq) {
  const int row = own_king_row(code_class(code));
  const int king = p.piece[side].sq;
  if (row < 0 || eval_links.king_rel_table == nullptr || !is_playing_square(king)) return 0;
  return (*eval_links.king_rel_table)[king_table_index(side, king)][row][king_table_index(side, sq)];
}

// A piece's square value for its owner `side`: the strategy table in the
// opening stage, else the king-relative table around the owner's king. The
// free-capture gain reads three of them per capture: the opening stage's
// lookup stays inline.
inline int square_value(const KPosition& p, int side, int code, int sq) {
  if (think_board.generator_words.game_stage == 0) return senkei_cell(side, code, sq);
  return king_square_value(p, side, code, sq);
}

class QuiescenceGen {
 public:
  QuiescenceGen(const KPosition& p, KMove* out, int level, KExchangeNote* notes)
      : p_(p),
        w_(p, out),
        notes_(notes),
        side_(p.teban),
        opp_(1 - p.teban),
        threshold_(qs_gain_threshold(level, think_board.generator_words.game_stage)) {}

  // One pass over the pieces in number order, kind by kind (the kinds' number
  // ranges follow each other from the rooks to the pawns). Most pieces yield
  // nothing, so the pass reads only a piece's square, code and (for an enemy
  // piece) the side's attack count there; the rare work sits in out-of-line
  // members so that the pass keeps its values in registers.
  int FrontDrops(const KEvalRecord& data) {
    BackRank();
    const bool lances = record_word(data, 4 * side_ + 3) + record_word(data, 4 * side_ + 4) <= kLanceLimit;
    const int rook = kRook | side_bit(side_), lance = kLance | side_bit(side_), pawn = kPawn | side_bit(side_);
    Pass(kKindRange[kRook].first, kKindRange[kBishop].first, [&](int n, int sq, int code) {
      if (code == rook && !in_camp(side_, sq)) RookPromotion(n, sq);
    });
    Pass(kKindRange[kBishop].first, kKindRange[kLance].first, [](int, int, int) {});
    Pass(kKindRange[kLance].first, kKindRange[kPawn].first, [&](int n, int sq, int code) {
      if (code == lance && lances && p_.board[sq + forward_step(side_)] == kEmptyNumber) LancePromotions(n, sq);
    });
    Pass(kKindRange[kPawn].first, kPieceCount, [&](int n, int sq, int code) {
      if (code == pawn) PawnPromotion(n, sq);
    });
    return w_.count();
  }

  int Targets() {
    target_list_walk([&](int sq) {
      if (!is_playing_square(sq)) return;
      const int v = piece_of(p_, opp_, sq);
      const int count = attacks(p_, side_, sq);
      uint64_t attackers = kiki_direct64(kiki_at(p_, sq), side_);
      for (int i = 0; i < count; ++i) {
        const int a = kiki_take_top(attackers);
        const int from = p_.piece[a].sq;
        const int code = p_.piece[a].code;
        int first = 0;
        if (v >= 0) {
          const int gain = stage_exchange(p_, side_, p_.piece[v].code, sq, a, &first);
          if (gain > threshold_) Board(a, from, sq, promote_when_possible(code, from, sq), {gain, first});
        } else if (p_.board[sq] == kEmptyNumber && in_camp(side_, sq)) {
          if (code == (kRook | side_bit(side_)) && attacks(p_, opp_, sq) == 0) Board(a, from, sq, 1);
          if (code == (kPawn | side_bit(side_))) {
            const int gain = stage_exchange(p_, side_, 0, sq, a, &first);
            if (gain > threshold_) Board(a, from, sq, 1, {gain, first});
          }
        }
      }
    });
    return w_.count();
  }

 private:
  void BackRank() {
    const int king = p_.piece[opp_].sq;
    if (!is_playing_square(king) || side_rank(side_, king) != 1) return;
    const int front = king - forward_step(side_);
    if (p_.board[front] != kEmptyNumber || support(p_, side_, front) < support(p_, opp_, front)) return;
    for (int kind : {kGold, kSilver, kRook}) {
      if (p_.hand[side_][kind]) Drop(kind, front);
    }
  }

  // The gain of taking the unsupported piece v on sq with a.
  int FreeGain(int a, int v, int sq, int promote) const {
    const int from = p_.piece[a].sq;
    const int code = p_.piece[a].code;
    int mover_part;
    if ((code_class(code) == kRook || code_class(code) == kBishop) && in_camp(side_, from)) {
      mover_part = kZoneSliderGain;
    } else {
      const int after = promote ? code | kPromotedBit : code;
      mover_part = square_value(p_, side_, after, sq) - square_value(p_, side_, code, from);
      if (promote && eval_links.eval_stage_tables) {
        mover_part +=
            eval_links.eval_stage_tables->piece_value[code_class(after)] - eval_links.eval_stage_tables->piece_value[code_class(code)];
      }
    }
    const int vcode = p_.piece[v].code;
    int taken = square_value(p_, opp_, vcode, sq);
    if (eval_links.eval_stage_tables) {
      const int kind = code_kind(vcode);
      if (kind >= kRook && kind <= kPawn) {
        const int held = std::min<int>(p_.hand[side_][kind], kCountEntries - 1);
        taken += eval_links.eval_stage_tables->count_value[kind - 1][held];
      }
      if (think_board.generator_words.game_stage == 0) taken += eval_links.eval_stage_tables->piece_value[code_class(vcode)];
    }
    return mover_part + taken;
  }

  // An unpromoted knight that checks from `to` (the opponent's king on one of
  // its forward jump squares), not landing on the last two ranks.
  bool CheckingKnight(int a, int to) const {
    if (p_.piece[a].code != (kKnight | side_bit(side_)) || on_last_two_ranks(side_, to)) return false;
    const int king = p_.piece[opp_].sq;
    return is_playing_square(king) && (king == to + side_offset(-33, side_) || king == to + side_offset(-31, side_));
  }

  // Pieces first .. end - 1 on the board: the side's captures of the enemy's
  // attacked ones, and own(n, sq, code) for the side's own.
  template <class Own>
  void Pass(int first, int end, Own own) {
    const KPosition& p = p_;
    const int enemy = side_bit(opp_);
    for (int n = first; n < end; ++n) {
      const int sq = p.piece[n].sq;
      // A piece stands on a board square or holds a marker from kInHand on
      // (in a hand, out of play): one comparison tells them apart.
      if (sq >= kInHand) continue;
      const int code = p.piece[n].code;
      if (!(code & enemy)) {
        own(n, sq, code);
      } else if (attacks(p, side_, sq) != 0) {
        Captures(n, sq);
      }
    }
  }

  // The captures of the enemy piece v on sq, which the side attacks.
  [[gnu::noinline]] void Captures(int v, int sq) {
    const int count = attacks(p_, side_, sq);
    const bool supported = support(p_, opp_, sq) > 0;
    uint64_t attackers = kiki_direct64(kiki_at(p_, sq), side_);
    for (int i = 0; i < count; ++i) {
      const int a = kiki_take_top(attackers);
      const int from = p_.piece[a].sq;
      const int promote = promote_when_possible(p_.piece[a].code, from, sq);
      KExchangeNote note{kNoExchange, 0};
      int gain;
      if (supported) {
        gain = note.value = stage_exchange(p_, side_, p_.piece[v].code, sq, a, &note.first);
      } else {
        gain = FreeGain(a, v, sq, promote);
      }
      if (gain > threshold_ || (gain >= 1 && CheckingKnight(a, sq))) Board(a, from, sq, promote, note);
    }
  }

  // The pass makes the calls only for rooks outside the zone and lances with
  // an empty square ahead: most rooks and lances have nothing to promote.
  [[gnu::noinline]] void RookPromotion(int n, int sq) {
    const int far = side_square(side_, side_file(side_, sq), 1);
    if (!kiki_has_direct(kiki_at(p_, far), side_, n)) return;
    if (piece_of(p_, opp_, far) >= 0 && attacks(p_, opp_, far) == 0) return;  // take that piece instead
    for (int rank : {2, 3}) {
      const int to = side_square(side_, side_file(side_, sq), rank);
      if (attacks(p_, opp_, to) == 0) {
        Board(n, sq, to, 1);
        return;
      }
    }
  }

  [[gnu::noinline]] void LancePromotions(int n, int sq) {
    const int fwd = forward_step(side_);
    for (int to = sq + fwd; p_.board[to] == kEmptyNumber; to += fwd) {
      if (in_camp(side_, to) && support(p_, side_, to) > support(p_, opp_, to)) Board(n, sq, to, 1);
    }
  }

  // The pawn's step into the zone when the exchange there gains enough.
  void PawnPromotion(int n, int sq) {
    const int to = sq + forward_step(side_);
    if (!in_camp(side_, to) || p_.board[to] != kEmptyNumber) return;
    int first = 0;
    const int gain = stage_exchange(p_, side_, 0, to, n, &first);
    if (gain > threshold_) Board(n, sq, to, 1, {gain, first});
  }

  // The writers of a move, with its note when the caller keeps them.
  void Board(int piece, int from, int to, int promote, KExchangeNote note = {kNoExchange, 0}) {
    if (notes_ != nullptr) notes_[w_.count()] = note;
    w_.Board(piece, from, to, promote);
  }
  void Drop(int kind, int to) {
    if (notes_ != nullptr) notes_[w_.count()] = {kNoExchange, 0};
    w_.Drop(kind, to);
  }

  const KPosition& p_;
  MoveOut w_;
  KExchangeNote* const notes_;
  const int side_, opp_, threshold_;
};

}  // namespace

int qs_gain_threshold(int level, int stage) { return kThreshold[std::clamp(stage, 0, 2)][std::clamp(level, 0, 3)]; }

int gen_king_front_drops(const KPosition& p, const KEvalRecord& data, int level, KMove* out, KExchangeNote* notes) {
  return QuiescenceGen(p, out, level, notes).FrontDrops(data);
}

int gen_target_captures(const KPosition& p, int level, KMove* out, KExchangeNote* notes) {
  return QuiescenceGen(p, out, level, notes).Targets();
}

}  // namespace board
