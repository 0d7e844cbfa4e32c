// Three stage generators against their own rules on positions of random legal
// games, each at a random game stage: the legal moves that a generator lists
// are exactly the legal moves that its rule, applied to the game model's legal
// moves of the position, keeps.
// - gen_piece_captures: what an unpromoted gold, silver, knight or pawn takes;
// - gen_escape_from (quick mode off): the escapes of sliders, knights, pawns
//   and the gold-like pieces;
// - gen_king_front_drops: the captures whose gain passes the quiescence
//   threshold, or that check with a knight for any gain.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>
#include <vector>

#include "engine/board/capture_gen.h"
#include "engine/board/escape_gen.h"
#include "engine/board/eval_record.h"
#include "engine/board/exchange_eval.h"
#include "engine/board/exchange_values.h"
#include "engine/board/think_board.h"
#include "engine/board/kiki.h"
#include "engine/board/move_rules.h"
#include "engine/board/move_tables.h"
#include "engine/board/quiescence_gen.h"
#include "engine/board/strategy_cells.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/root_modes.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/move_sets.h"

namespace board {
namespace {

using testing::move_key;
using testing::same_moves;

constexpr int kPositions = 2500;
constexpr int kMaxGamePlies = 150;

// ---- The attack records read as the rules word them -------------------------

int direct(const KPosition& p, int side, int sq) { return kiki_at(p, sq).direct_count[side]; }
int supported(const KPosition& p, int side, int sq) {
  return kiki_at(p, sq).direct_count[side] + kiki_at(p, sq).xray_count[side];
}
// The cheapest direct attacker: the highest piece number in the set.
int cheapest(const KPosition& p, int side, int sq) {
  const uint64_t set = kiki_direct64(kiki_at(p, sq), side);
  return set == 0 ? kPieceCount : 63 - __builtin_clzll(set);
}
// Safe square: unattacked, or the cheapest attacker numbered below the bound
// with the mover's support at least 2.
bool safe(const KPosition& p, int side, int sq, int bound) {
  return direct(p, side ^ 1, sq) == 0 || (cheapest(p, side ^ 1, sq) < bound && supported(p, side, sq) >= 2);
}
bool zone(int side, int sq) { return side == 0 ? square_rank(sq) <= 3 : square_rank(sq) >= 7; }
int own_step(int side, int step) { return side == 0 ? step : -step; }  // a sente step as `side` takes it
// The opponent's piece number on the square, -1 for none.
int victim(const KPosition& p, int side, int sq) {
  const int n = p.board[sq];
  return n < kPieceCount && !(p.piece[n].code & side_bit(side)) ? n : -1;
}

// ---- One position: its legal moves, and the generator's legal moves ----------

struct Node {
  KPosition p;
  int side = 0;
  std::vector<KMove> legal;
  std::set<uint64_t> keys;

  // The legal moves among the generated ones.
  std::vector<uint64_t> Kept(const KMove* moves, int n) const {
    std::vector<uint64_t> v;
    for (int i = 0; i < n; ++i) {
      if (keys.count(move_key(moves[i]))) v.push_back(move_key(moves[i]));
    }
    std::sort(v.begin(), v.end());
    return v;
  }
  template <class Rule>
  std::vector<uint64_t> Filter(Rule rule) const {
    std::vector<uint64_t> v;
    for (const KMove& m : legal) {
      if (rule(m)) v.push_back(move_key(m));
    }
    std::sort(v.begin(), v.end());
    return v;
  }
};

// Only the one version of a move that a generator writes: `promote` says which.
bool version(const KMove& m, bool promote) { return (m.promote != 0) == promote; }

// ---- The rules ----------------------------------------------------------------

// gen_piece_captures on the piece on sq.
bool piece_capture_rule(const Node& n, int sq, const KMove& m) {
  const KPosition& p = n.p;
  const int s = n.side;
  if (m.from != sq) return false;
  const int cls = code_class(m.code);
  const int v = victim(p, s, m.to);
  const bool minor_victim = v >= 6 && v <= 21;  // gold, silver, knight, lance (any promotion)
  switch (cls) {
    case kGold:
    case kSilver:
      if (v < 2 || v > 21) return false;  // rooks, bishops, golds, silvers, knights, lances only
      if (minor_victim && supported(p, s, m.to) <= supported(p, s ^ 1, m.to)) return false;
      return version(m, cls == kSilver && zone(s, m.to));
    case kKnight:
      return v >= 2 && v <= 13 && version(m, zone(s, m.to));
    case kPawn:
      if (zone(s, m.to) && direct(p, s ^ 1, m.to) == 0) return version(m, true);  // promotes, whatever stands there
      return v >= 2 && v <= 21 && version(m, zone(s, m.to));
    default:
      return false;
  }
}

// The kinds whose escapes are checked here: all but the silver and the lance.
bool escape_covered(int cls) { return cls != kSilver && cls != kLance; }

// gen_escape_from with quick mode off.
bool escape_rule(const Node& n, int sq, int excluded, const KMove& m) {
  const KPosition& p = n.p;
  const int s = n.side, o = s ^ 1;
  const int cls = code_class(p.piece[p.board[sq]].code);
  if (m.from != sq || m.to == excluded) return false;
  const int d = m.to - m.from;
  const int line = line_direction(m.from, m.to);
  const bool adjacent = line == d;
  const bool empty = p.board[m.to] == kEmptyNumber;
  const bool diagonal = std::abs(line) == 15 || std::abs(line) == 17;
  switch (cls) {
    case kBishop:
    case kHorse:
      if (diagonal) return empty && safe(p, s, m.to, 14) && version(m, cls == kBishop && (zone(s, m.from) || zone(s, m.to)));
      return cls == kHorse && adjacent && safe(p, s, m.to, 14) && version(m, false);
    case kRook:
    case kDragon: {
      // The line of the attack: an opponent rook on the same file gives the
      // file, elsewhere the rank (the higher-numbered rook first); else an
      // opponent lance the file.
      const KKiki& k = kiki_at(p, sq);
      int attack_line = 0;  // 16 file, 1 rank
      for (int r = 3; r >= 2 && attack_line == 0; --r) {
        if (kiki_has_direct(k, o, r)) attack_line = square_file(p.piece[r].sq) == square_file(sq) ? 16 : 1;
      }
      for (int a = 0; a < kPieceCount && attack_line == 0; ++a) {
        if (kiki_has_direct(k, o, a) && code_class(p.piece[a].code) == kLance) attack_line = 16;
      }
      if (!diagonal) {
        if (std::abs(line) == attack_line) return false;
        return empty && safe(p, s, m.to, 14) && version(m, cls == kRook && (zone(s, m.from) || zone(s, m.to)));
      }
      return cls == kDragon && adjacent && safe(p, s, m.to, 14) && version(m, false);
    }
    case kKnight:
      return (supported(p, s, m.to) > 1 || direct(p, o, m.to) == 0) && version(m, zone(s, m.to));
    case kPawn:
      return empty && !zone(s, m.to) && (supported(p, s, m.to) > 1 || direct(p, o, m.to) == 0) && version(m, false);
    case kGold:
    case kSilver | kPromotedBit:
    case kKnight | kPromotedBit:
    case kLance | kPromotedBit:
    case kTokin:
    case kKing: {
      // The six gold steps (a king too): back, sideways, ahead, diagonally ahead.
      const int steps[6] = {own_step(s, 16), 1, -1, own_step(s, -16), own_step(s, -15), own_step(s, -17)};
      if (std::find(std::begin(steps), std::end(steps), d) == std::end(steps)) return false;
      if (!safe(p, s, m.to, 22)) return false;
      if (d != own_step(s, 16)) return true;
      // The step straight back: not against a lance, nor against a rook on the
      // file while the mover's support there is below 2.
      const KKiki& k = kiki_at(p, sq);
      for (int a = 2; a < kPieceCount; ++a) {
        if (!kiki_has_direct(k, o, a)) continue;
        if (code_class(p.piece[a].code) == kLance) return false;
        if (a <= 3 && square_file(p.piece[a].sq) == square_file(sq) && supported(p, s, m.to) < 2) return false;
      }
      return true;
    }
    default:
      return false;
  }
}

// The quiescence captures of gen_king_front_drops.
class FrontCaptureRule {
 public:
  FrontCaptureRule(const Node& n, int level)
      : n_(n), p_(n.p), s_(n.side), threshold_(qs_gain_threshold(level, think_board.generator_words.game_stage)) {}

  bool operator()(const KMove& m) const {
    if (m.from == kInHand || m.captured_code == 0) return false;
    const int a = m.piece;
    const bool promote = can_promote(m.code) && (zone(s_, m.from) || zone(s_, m.to));
    if (!version(m, promote)) return false;
    const int gain = supported(p_, s_ ^ 1, m.to) > 0 ? Exchange(m) : FreeGain(m, promote);
    if (gain > threshold_) return true;
    // A checking knight capture, not onto the last two ranks.
    if (gain < 1 || p_.piece[a].code != (kKnight | side_bit(s_))) return false;
    if (s_ == 0 ? square_rank(m.to) <= 2 : square_rank(m.to) >= 8) return false;
    const int king = p_.piece[s_ ^ 1].sq;
    return king == m.to + own_step(s_, -33) || king == m.to + own_step(s_, -31);
  }

 private:
  int Exchange(const KMove& m) const {
    return think_board.generator_words.game_stage != 0 ? exchange_eval(p_, s_, m.captured_code, m.to, m.piece, nullptr)
                           : exchange_eval_pos(p_, s_, m.captured_code, m.to, m.piece, nullptr);
  }

  // A piece's square value for its owner: the strategy table at stage 0,
  // else the king-relative table of its class around the owner's king (gold
  // and the promoted minor pieces 0, silver 1, knight 2, lance 3, pawn 4,
  // horse 5; nothing for the others), gote's squares turned.
  int SquareValue(int side, int code, int sq) const {
    if (think_board.generator_words.game_stage == 0) return senkei_cell(side, code, sq);
    int row = -1;
    switch (code_class(code)) {
      case kGold: case kSilver | kPromotedBit: case kKnight | kPromotedBit: case kLance | kPromotedBit: case kTokin:
        row = 0; break;
      case kSilver: row = 1; break;
      case kKnight: row = 2; break;
      case kLance: row = 3; break;
      case kPawn: row = 4; break;
      case kHorse: row = 5; break;
      default: return 0;
    }
    const int king = p_.piece[side].sq;
    if (!is_playing_square(king)) return 0;
    auto index = [side](int q) {
      const int t = side == 0 ? q : 176 - q;
      return (square_rank(t) - 1) * 9 + square_file(t) - 1;
    };
    return (*eval_links.king_rel_table)[index(king)][row][index(sq)];
  }

  int FreeGain(const KMove& m, bool promote) const {
    const int code = m.code, cls = code_class(code);
    int mover;
    if ((cls == kRook || cls == kBishop) && zone(s_, m.from)) {
      mover = 100;
    } else {
      const int after = promote ? code | kPromotedBit : code;
      mover = SquareValue(s_, after, m.to) - SquareValue(s_, code, m.from);
      if (promote) mover += eval_links.eval_stage_tables->piece_value[code_class(after)] - eval_links.eval_stage_tables->piece_value[cls];
    }
    const int kind = code_kind(m.captured_code);
    int taken = SquareValue(s_ ^ 1, m.captured_code, m.to) +
                eval_links.eval_stage_tables->count_value[kind - 1][std::min<int>(p_.hand[s_][kind], kCountEntries - 1)];
    if (think_board.generator_words.game_stage == 0) taken += eval_links.eval_stage_tables->piece_value[code_class(m.captured_code)];
    return mover + taken;
  }

  const Node& n_;
  const KPosition& p_;
  const int s_, threshold_;
};

// ---- The walk ------------------------------------------------------------------

class StageGenRules : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int stage = 0; stage < 3; ++stage) eval::stage_tables_init(stage, blocks_[stage]);
  }
  void TearDown() override {
    think_board.generator_words.game_stage = 0;
    eval_links.eval_stage_tables = nullptr;
    eval_links.king_rel_table = nullptr;
    eval::eval_setup.eval_weights = nullptr;
    eval_links.senkei_current = nullptr;
  }

  // Calls `check` on kPositions positions of random games, each with its game
  // stage set and its legal moves listed.
  template <class Check>
  void Walk(Check check) {
    std::vector<model::Kyokumen> starts =
        testing::handicap_starts({model::kHirate, model::kKakuOchi, model::kHishaOchi, model::kRokumaiOchi});
    starts.push_back(testing::kings_and_hands(testing::kHalfOfEveryPiece, testing::kHalfOfEveryPiece, 58, 52));
    std::mt19937 rng(2123);
    int positions = 0;
    for (int game = 0; positions < kPositions; ++game) {
      model::Kyokumen k;
      k.Copy(starts[game % starts.size()]);
      Node n;
      n.p = testing::load(k);
      const int32_t codes[2] = {static_cast<int32_t>(rng() % 23), static_cast<int32_t>(rng() % 23)};
      eval::eval_root_prepare(n.p, codes, static_cast<int32_t>(rng() % 3));
      for (int ply = 0; ply < kMaxGamePlies && positions < kPositions; ++ply, ++positions) {
        n.p = testing::load(k);
        n.side = k.teban;
        think_board.generator_words.game_stage = static_cast<int>(rng() % 3);
        eval_links.eval_stage_tables = &blocks_[think_board.generator_words.game_stage];
        const testing::ModelMoves mm = testing::model_moves(k, n.p);
        n.legal = mm.legal;
        n.keys.clear();
        for (const KMove& m : n.legal) n.keys.insert(move_key(m));
        check(n, rng);
        if (::testing::Test::HasFailure()) FAIL() << "game " << game << " ply " << ply;
        if (mm.legal_sashite.empty()) break;
        ASSERT_TRUE(k.DoSashite(mm.legal_sashite[rng() % mm.legal_sashite.size()]));
      }
    }
  }

  // The squares of the side to move's pieces.
  static std::vector<int> OwnSquares(const Node& n) {
    std::vector<int> v;
    for (int i = 0; i < kPieceCount; ++i) {
      const KPieceEntry& e = n.p.piece[i];
      if (is_playing_square(e.sq) && (e.code & side_bit(n.side))) v.push_back(e.sq);
    }
    return v;
  }

  KExchangeWeights blocks_[3]{};
};

TEST_F(StageGenRules, PieceCapturesTakeWhatTheirRuleAllows) {
  long listed = 0, pawn_promotions = 0;
  Walk([&](const Node& n, std::mt19937&) {
    KMove out[kMaxMoves];
    for (int sq : OwnSquares(n)) {
      const int count = gen_piece_captures(n.p, sq, out);
      const std::vector<uint64_t> got = n.Kept(out, count);
      ASSERT_TRUE(same_moves(got, n.Filter([&](const KMove& m) { return piece_capture_rule(n, sq, m); })))
          << "square " << sq;
      listed += static_cast<long>(got.size());
      for (int i = 0; i < count; ++i) pawn_promotions += code_class(out[i].code) == kPawn && out[i].promote;
    }
  });
  EXPECT_GT(listed, 300);
  EXPECT_GT(pawn_promotions, 20);
}

TEST_F(StageGenRules, EscapesGoWhereTheirRuleAllows) {
  long listed = 0, long_slides = 0;
  Walk([&](const Node& n, std::mt19937& rng) {
    KMove out[kMaxMoves];
    const int excluded = rng() % 2 ? square_of(1 + rng() % 9, 1 + rng() % 9) : 0;
    for (int sq : OwnSquares(n)) {
      if (!escape_covered(code_class(n.p.piece[n.p.board[sq]].code))) continue;
      const std::vector<uint64_t> want = n.Filter([&](const KMove& m) { return escape_rule(n, sq, excluded, m); });
      const int count = gen_escape_from(n.p, sq, static_cast<int>(rng() % 7), 0, excluded, out);
      const std::vector<uint64_t> got = n.Kept(out, count);
      ASSERT_TRUE(same_moves(got, want)) << "square " << sq << " excluded " << excluded;
      listed += static_cast<long>(got.size());
      for (int i = 0; i < count; ++i) long_slides += std::abs(square_rank(out[i].to) - square_rank(out[i].from)) > 1 ||
                                                     std::abs(square_file(out[i].to) - square_file(out[i].from)) > 1;
    }
  });
  EXPECT_GT(listed, 10000);
  EXPECT_GT(long_slides, 2000);
}

TEST_F(StageGenRules, QuiescenceCapturesPassTheirThreshold) {
  long listed = 0, free_lance_captures = 0;
  Walk([&](const Node& n, std::mt19937& rng) {
    KMove out[kMaxMoves];
    const int level = static_cast<int>(rng() % 4);
    const KEvalRecord record{};
    const int count = gen_king_front_drops(n.p, record, level, out);
    std::vector<KMove> captures;
    for (int i = 0; i < count; ++i) {
      if (out[i].from != kInHand && out[i].captured_code != 0) captures.push_back(out[i]);
    }
    const std::vector<uint64_t> got = n.Kept(captures.data(), static_cast<int>(captures.size()));
    const FrontCaptureRule rule(n, level);
    ASSERT_TRUE(same_moves(got, n.Filter(rule))) << "level " << level << " stage " << think_board.generator_words.game_stage;
    listed += static_cast<long>(got.size());
    for (const KMove& m : n.legal) {
      const bool lance = code_class(m.code) == kLance || code_class(m.captured_code) == kLance;
      free_lance_captures += m.captured_code != 0 && lance && supported(n.p, n.side ^ 1, m.to) == 0;
    }
  });
  EXPECT_GT(listed, 500);
  EXPECT_GT(free_lance_captures, 100);
}

}  // namespace
}  // namespace board
