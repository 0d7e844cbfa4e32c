// The targeted, stage, quiet-move and tactical-drop generators on positions
// reached by random legal play (handicaps, full hands, kings on the edge), at
// every game stage, with the threat word off and on and a target list built by
// the last move: every move is pseudo-legal and legal unless it leaves the
// mover's king attacked or mates by a dropped pawn, no move repeats, promoting
// versions come first, each generator keeps its own rules, and the turned twin
// of a position with the sides exchanged gives the turned lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/board/attack_square_gen.h"
#include "engine/board/capture_gen.h"
#include "engine/board/defence_gen.h"
#include "engine/board/escape_gen.h"
#include "engine/board/exchange_values.h"
#include "engine/board/gen_all_moves.h"
#include "engine/board/make_move.h"
#include "engine/board/move_legality.h"
#include "engine/board/position_setup.h"
#include "engine/board/quiescence_gen.h"
#include "engine/board/quiet_moves.h"
#include "engine/board/shape_score.h"
#include "engine/board/stage_rules.h"
#include "engine/board/tactical_drops.h"
#include "engine/board/threat_kind.h"
#include "engine/board/threat_moves_gen.h"
#include "engine/eval/eval_setup.h"
#include "engine/eval/eval_tables.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/move_sets.h"
#include "tests/engine/board/turned_twin.h"

namespace board {
namespace {

using testing::name;
using testing::turned;
using testing::turned_name;
using testing::twin_number;

constexpr int kPositions = 10000;
constexpr int kMaxGamePlies = 140;

// What one position is asked with; squares turn with the twin.
struct Setting {
  int stage, level, depth, quick, excluded;
  uint32_t word;
  KEvalRecord record;
  KMove history[2];  // the side's own move before, then the opponent's last move

  Setting Turned(const KPosition& twin_before) const {
    Setting s = *this;
    auto sq = [](int v) { return v ? turned_square(v) : 0; };
    s.excluded = sq(excluded);
    const int file = static_cast<int>(word >> 24);
    s.word = static_cast<uint32_t>(sq(word & 0xff) | sq((word >> 8) & 0xff) << 8) | (word & 0xff0000u) |
             static_cast<uint32_t>(file ? 10 - file : 0) << 24;
    std::swap(s.record.att[0], s.record.att[1]);
    KMove& own = s.history[0];  // read only by the accept test: squares and codes
    if (own.from != kPassSquare) {
      own.from = static_cast<uint8_t>(own.from == kInHand ? kInHand : turned_square(own.from));
      own.to = static_cast<uint8_t>(turned_square(own.to));
      own.piece = static_cast<uint8_t>(twin_number(own.piece));
      own.code ^= kSenteBit | kGoteBit;
      if (own.captured_code) own.captured_code ^= kSenteBit | kGoteBit;
    }
    const KMove& m = history[1];
    if (m.from == kInHand) {
      write_drop(s.history[1], twin_before, code_kind(m.code), turned_square(m.to));
    } else if (m.from != kPassSquare) {
      write_board_move(s.history[1], twin_before, twin_number(m.piece), turned_square(m.from), turned_square(m.to),
                       m.promote);
    }
    return s;
  }
};

// Makes the node: the position before the last move, the move made with the
// per-ply table kept (ply 1 then reads its changes and target list), the
// stage and the threat word.
void enter(KPosition& p, const KPosition& before, const Setting& s) {
  std::memcpy(&p, &before, sizeof p);
  pos_table_init();
  if (s.history[1].from != kPassSquare) {
    do_move(p, s.history[1], 1);
    target_list_extend(p, s.history[1].to);
  }
  think_board.generator_words.game_stage = s.stage;
  think_board.generator_words.threat_word = s.word;
}

struct Call {
  std::string what;
  int generator;  // index into kGenerators
  int sq;         // the square it was asked about, 0 none
  std::vector<KMove> moves;
};

const char* const kGenerators[] = {
    "drops near king",      "quiet",           "quiet filtered",  "tactical drops",       "escape",    "diagonal side",
    "attack square",        "line backing",    "slider line",     "threatened escapes",   "king room", "defences",
    "king front drops",     "target captures", "captures scored", "pawn follow",          "recapture", "captures on",
    "captures on filtered", "piece captures",  "threat moves",    "threat moves filtered"};
enum {
  kQuiet = 1,
  kQuietFiltered,
  kEscape = 4,
  kAttackSquare = 6,
  kThreatenedEscapes = 9,
  kCapturesOn = 17,
  kThreatMoves = 20
};

// Every generator list of the position, with the filter switched off for the
// unfiltered twins of the filtering generators; squares come from the board,
// so the twin asks about the same pieces.
std::vector<Call> run_all(const KPosition& p, const Setting& s, bool quick) {
  std::vector<Call> calls;
  KMove buf[kMaxMoves];
  const int side = p.teban, opp = 1 - side;
  const KMove* last = &s.history[1];
  auto add = [&](int g, int sq, int n) { calls.push_back({kGenerators[g], g, sq, std::vector<KMove>(buf, buf + n)}); };
  auto unfiltered = [&](const std::function<int()>& f) {
    think_board.generator_words.threat_word = s.word & 0xffff0000u;
    const int n = f();
    think_board.generator_words.threat_word = s.word;
    return n;
  };
  const int q = quick ? s.quick : 0;
  add(0, 0, gen_drops_near_king(p, buf));
  add(kQuiet, 0, unfiltered([&] { return gen_quiet_moves(p, last, s.depth, buf); }));
  add(kQuietFiltered, 0, gen_quiet_moves(p, last, s.depth, buf));
  add(3, 0, gen_tactical_drops(p, s.history[1], s.depth, buf));
  add(kThreatenedEscapes, 0, gen_threatened_escapes(p, s.level, s.excluded, buf));
  add(10, 0, gen_king_room(p, buf));
  add(11, 0, gen_defences(p, s.history[1], s.level, buf));
  add(12, 0, gen_king_front_drops(p, s.record, s.level, buf));
  add(13, 0, gen_target_captures(p, s.level, buf));
  add(16, 0, gen_recapture(p, s.history[1], buf));
  add(kThreatMoves, 0, unfiltered([&] { return gen_threat_moves(p, last, s.depth, buf); }));
  add(kThreatMoves + 1, 0, gen_threat_moves(p, last, s.depth, buf));
  for (int sq = kFirstSquare; sq <= kLastSquare; ++sq) {
    if (!is_playing_square(sq)) continue;
    const int n = p.board[sq];
    if (n < kPieceCount && (p.piece[n].code & side_bit(side))) {
      add(kEscape, sq, gen_escape_from(p, sq, s.level, q, s.excluded, buf));
      add(19, sq, gen_piece_captures(p, sq, buf));
      KMove pushed = s.history[0];
      pushed.piece = static_cast<uint8_t>(n);
      pushed.to = static_cast<uint8_t>(sq);
      add(15, sq, gen_pawn_follow(p, pushed, buf));
      const int attacker = cheapest_attacker(p, opp, sq);
      const int from = attacker < kPieceCount ? p.piece[attacker].sq : p.piece[opp].sq;
      add(5, sq, gen_diagonal_side(p, sq, from, 0, q, buf));
    } else if (n < kPieceCount) {
      add(kAttackSquare, sq, gen_attack_square(p, sq, s.level, 3, q, buf));
      add(7, sq, gen_line_backing(p, sq, buf));
      add(8, sq, gen_slider_line(p, sq, buf));
      int best = -1;
      add(14, sq, gen_captures_scored(p, sq, buf, &best));
      EXPECT_GE(best, 0);
      add(kCapturesOn, sq, unfiltered([&] { return gen_captures_on(p, last, sq, s.depth, buf); }));
      add(kCapturesOn + 1, sq, gen_captures_on(p, last, sq, s.depth, buf));
    }
  }
  return calls;
}

// The rules every list keeps, and those of single generators.
void check_call(KPosition& p, const Call& c, const std::set<uint64_t>& allowed, const Setting& s,
                const std::vector<Call>& calls, size_t index) {
  const int side = p.teban;
  SCOPED_TRACE(c.what + " at " + std::to_string(c.sq));
  EXPECT_LE(c.moves.size(), static_cast<size_t>(kMaxMoves));
  std::map<uint64_t, size_t> seen;
  for (size_t i = 0; i < c.moves.size(); ++i) {
    const KMove& m = c.moves[i];
    const std::string label = testing::key_name(testing::move_key(m));
    ASSERT_EQ(sashite_is_legal(p, m), 1) << label;
    EXPECT_TRUE(seen.emplace(name(m), i).second) << "repeated " << label;
    EXPECT_FALSE(m.promote && seen.count(name(m) & ~(uint64_t{1} << 32))) << "promotion after " << label;
    if (c.generator == kEscape) {
      EXPECT_NE(m.to, s.excluded) << label;
      const int cls = code_class(m.code);
      // Slides never capture; only the single steps of a dragon or horse may.
      const bool step = line_direction(m.from, m.to) == m.to - m.from;
      EXPECT_TRUE(m.captured_code == 0 ||
                  !(cls == kRook || cls == kBishop || ((cls == kDragon || cls == kHorse) && !step)))
          << label;
      const bool slider = cls == kRook || cls == kBishop || cls == kDragon || cls == kHorse;
      if (slider || cls == kSilver || cls == kGold) {
        EXPECT_TRUE(safe_square(p, side, m.to, slider ? kSafeBoundSlider : kSafeBoundStep)) << label;
      }
    }
    do_move(p, m, 0);
    const bool exposed = king_attacked(p, side);
    const bool attacks_target = is_playing_square(c.sq) && kiki_has_direct(kiki_at(p, c.sq), side, m.piece);
    undo_move(p, m, 0);
    EXPECT_TRUE(exposed || allowed.count(name(m))) << "not a legal move: " << label;
    EXPECT_TRUE(c.generator != kAttackSquare || attacks_target) << label;
  }
  // With the filter on: exactly the accepted moves of the unfiltered list
  // (the threat generator also keeps moves for listed targets).
  if (c.generator == kQuietFiltered || c.generator == kCapturesOn + 1 || c.generator == kThreatMoves + 1) {
    const std::vector<KMove>& all = calls[index - 1].moves;
    std::vector<uint64_t> want;
    for (const KMove& m : all) {
      const bool accepted = sashite_threat_kind(p, &s.history[1], m.piece, m.promote, m.from == kInHand, m.to, s.depth);
      if (!threat_filter_on() || accepted) want.push_back(name(m));
    }
    std::vector<uint64_t> got;
    for (const KMove& m : c.moves) got.push_back(name(m));
    if (c.generator != kThreatMoves + 1) {
      EXPECT_EQ(got, want);
    } else {
      std::set<uint64_t> pool;
      for (const KMove& m : all) pool.insert(name(m));
      for (uint64_t g : got) EXPECT_TRUE(pool.count(g));
      for (uint64_t w : want) EXPECT_TRUE(std::find(got.begin(), got.end(), w) != got.end());
    }
  }
}

class StageGenerators : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int stage = 0; stage < 3; ++stage) eval::stage_tables_init(stage, blocks_[stage]);
    eval::eval_tables_init(eval::eval_setup.eval_weight_block, 0);
    eval_links.king_rel_table = &eval::eval_setup.eval_weight_block.king_rel;
  }
  void TearDown() override {
    think_board.generator_words.game_stage = 0;
    think_board.generator_words.threat_word = 0;
    eval_links.eval_stage_tables = nullptr;
    eval_links.king_rel_table = nullptr;
    pos_table_init();
  }
  KExchangeWeights blocks_[3]{};
};

TEST_F(StageGenerators, KeepTheirRulesOnRandomPositionsAndTheirTurnedTwins) {
  std::vector<model::Kyokumen> starts = testing::handicap_starts(
      {model::kHirate, model::kKakuOchi, model::kHishaOchi, model::kRokumaiOchi, model::kNoSenteKing});
  starts.push_back(testing::kings_and_hands(testing::kHalfOfEveryPiece, testing::kHalfOfEveryPiece, 58, 52));
  starts.push_back(testing::kings_and_hands(testing::kHalfOfEveryPiece, testing::kHalfOfEveryPiece, 19, 91));
  std::mt19937 rng(4711);
  std::vector<size_t> emitted(std::size(kGenerators));
  int positions = 0;
  for (int game = 0; positions < kPositions; ++game) {
    model::Kyokumen k;
    k.Copy(starts[game % starts.size()]);
    KPosition before;
    ASSERT_EQ(bridge::position_load(before, k), 0);
    KMove previous[2] = {pass_move(), pass_move()};
    for (int ply = 0; ply < kMaxGamePlies && positions < kPositions; ++ply, ++positions) {
      Setting s{};
      s.stage = positions % 3;
      s.level = static_cast<int>(rng() % 7);
      s.depth = 1 + static_cast<int>(rng() % 9);
      s.quick = static_cast<int>(rng() % 2);
      s.excluded = rng() % 2 ? square_of(1 + rng() % 9, 1 + rng() % 9) : 0;
      if (positions % 4 >= 2) {
        s.word = static_cast<uint32_t>(square_of(1 + rng() % 9, 1 + rng() % 9) | square_of(1 + rng() % 9, 1 + rng() % 9)
                                                                                     << 8) |
                 (1 + rng() % 7) << 16 | (1 + rng() % 9) << 24;
      }
      for (auto& a : s.record.att) {
        a.attack_extra = static_cast<int16_t>(rng() % 1200);
        a.open_file = static_cast<int32_t>(rng() % 600);
      }
      s.history[0] = previous[0];
      s.history[1] = previous[1];
      eval_links.eval_stage_tables = &blocks_[s.stage];

      KPosition p;
      enter(p, before, s);
      const testing::ModelMoves mm = testing::model_moves(k, p);
      std::set<uint64_t> allowed;
      for (const auto* list : {&mm.legal, &mm.pawn_drop_mates}) {
        for (const KMove& m : *list) allowed.insert(name(m));
      }
      const std::vector<Call> calls = run_all(p, s, true);
      for (size_t i = 0; i < calls.size(); ++i) {
        check_call(p, calls[i], allowed, s, calls, i);
        emitted[calls[i].generator] += calls[i].moves.size();
      }

      // The turned twin, asked with quick mode off on both sides.
      const std::vector<Call> mine = run_all(p, s, false);
      KMove all[kMaxMoves];
      const int n_all = gen_all_moves(p, all);
      std::vector<int> scores;
      for (int i = 0; i < n_all; ++i) scores.push_back(sashite_shape_score(p, all[i], s.stage % 2, (i * 7 + ply) % 32));
      const KPosition twin_before = turned(before);
      const Setting ts = s.Turned(twin_before);
      KPosition q;
      enter(q, twin_before, ts);
      const std::vector<Call> theirs = run_all(q, ts, false);
      ASSERT_EQ(mine.size(), theirs.size());
      std::map<std::pair<int, int>, const Call*> by_square;
      for (const Call& c : theirs) by_square[{c.generator, c.sq}] = &c;
      for (const Call& c : mine) {
        // Its quick escapes try some squares in a fixed board order (knights
        // the lower-numbered square first), so only the untwinned rules hold.
        if (c.generator == kThreatenedEscapes) continue;
        const Call* t = by_square[{c.generator, c.sq ? turned_square(c.sq) : 0}];
        ASSERT_NE(t, nullptr) << c.what << " at " << c.sq << " not asked on the twin";
        std::multiset<uint64_t> a, b;
        for (const KMove& m : c.moves) a.insert(turned_name(m));
        for (const KMove& m : t->moves) b.insert(name(m));
        std::string diff;
        for (uint64_t v : a) diff += b.count(v) ? "" : " only here " + testing::key_name(v);
        for (uint64_t v : b) diff += a.count(v) ? "" : " only on the twin " + testing::key_name(v);
        EXPECT_TRUE(a == b) << c.what << " at " << c.sq << " differs on the twin:" << diff;
      }
      KMove twin_all[kMaxMoves];
      const int n_twin = gen_all_moves(q, twin_all);
      std::map<uint64_t, int> twin_score;
      for (int i = 0; i < n_twin; ++i) twin_score[name(twin_all[i])] = i;
      for (int i = 0; i < n_all; ++i) {
        const int j = twin_score.at(turned_name(all[i]));
        EXPECT_EQ(scores[i], sashite_shape_score(q, twin_all[j], s.stage % 2, (i * 7 + ply) % 32));
      }
      if (::testing::Test::HasFailure()) FAIL() << "game " << game << " ply " << ply;

      if (mm.legal.empty()) break;
      model::Sashite next = mm.legal_sashite[rng() % mm.legal_sashite.size()];
      for (size_t i = 0; i < mm.legal.size(); ++i) {
        if (mm.legal[i].captured_code && rng() % 3 == 0) next = mm.legal_sashite[i];  // captures build target lists
      }
      KMove m;
      ASSERT_EQ(bridge::sashite_to_kmove(m, p, next), 0);
      std::memcpy(&before, &p, sizeof p);
      ASSERT_TRUE(k.DoSashite(next));
      previous[0] = previous[1];
      previous[1] = m;
    }
  }
  for (size_t g = 0; g < emitted.size(); ++g) EXPECT_GT(emitted[g], 0u) << kGenerators[g] << " never wrote a move";
}

// The quiescence generators' exchange notes: the same lists with and without
// them, and each note the exchange that the move ordering would play out for
// its move (the mover starting on its destination, at the stage's model).
TEST_F(StageGenerators, NoteTheExchangesTheyPlayOutAsPlayedAgain) {
  constexpr int kNotePositions = 1500;
  std::vector<model::Kyokumen> starts = testing::handicap_starts({model::kHirate, model::kKakuOchi});
  starts.push_back(testing::kings_and_hands(testing::kHalfOfEveryPiece, testing::kHalfOfEveryPiece, 58, 52));
  std::mt19937 rng(1234);
  int positions = 0, noted = 0;
  for (int game = 0; positions < kNotePositions; ++game) {
    model::Kyokumen k;
    k.Copy(starts[game % starts.size()]);
    KPosition p;
    ASSERT_EQ(bridge::position_load(p, k), 0);
    for (int ply = 0; ply < kMaxGamePlies && positions < kNotePositions; ++ply, ++positions) {
      const int stage = positions % 3;
      const int level = static_cast<int>(rng() % 5);
      think_board.generator_words.game_stage = stage;
      eval_links.eval_stage_tables = &blocks_[stage];
      KEvalRecord record{};
      for (auto& a : record.att) a.attack_extra = static_cast<int16_t>(rng() % 1200);
      for (int generator = 0; generator < 2; ++generator) {
        KMove plain[kMaxMoves], moves[kMaxMoves];
        KExchangeNote notes[kMaxMoves];
        const int n = generator == 0 ? gen_king_front_drops(p, record, level, plain)
                                     : gen_target_captures(p, level, plain);
        ASSERT_EQ(n, generator == 0 ? gen_king_front_drops(p, record, level, moves, notes)
                                    : gen_target_captures(p, level, moves, notes));
        for (int i = 0; i < n; ++i) {
          ASSERT_EQ(name(plain[i]), name(moves[i]));
          if (notes[i].value == kNoExchange) continue;
          ++noted;
          const KMove& m = moves[i];
          int first = 0;
          const int value = stage_exchange(p, p.teban, m.captured_code, m.to, m.piece, &first);
          EXPECT_EQ(notes[i].value, value) << testing::key_name(name(m));
          EXPECT_EQ(notes[i].first, first) << testing::key_name(name(m));
        }
      }
      const testing::ModelMoves mm = testing::model_moves(k, p);
      if (mm.legal.empty()) break;
      model::Sashite next = mm.legal_sashite[rng() % mm.legal_sashite.size()];
      for (size_t i = 0; i < mm.legal.size(); ++i) {
        if (mm.legal[i].captured_code && rng() % 3 == 0) next = mm.legal_sashite[i];
      }
      KMove m;
      ASSERT_EQ(bridge::sashite_to_kmove(m, p, next), 0);
      pos_table_init();
      do_move(p, m, 1);
      target_list_extend(p, m.to);
      ASSERT_TRUE(k.DoSashite(next));
    }
  }
  EXPECT_GT(noted, 0);
}

}  // namespace
}  // namespace board
