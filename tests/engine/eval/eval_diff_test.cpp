// The move-by-move update of the evaluation record: over random games from the
// even start, the handicaps, kingless and hand-heavy positions, with passes mixed
// in, every field after every move equals the terms computed from scratch (the
// open-file sums by replaying their refresh rule); a position and its turned
// twin keep mirrored records; and the deltas of single constructed moves.
#include "engine/eval/eval_diff.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/eval/eval_tables.h"
#include "engine/eval/root_modes.h"
#include "engine/eval/senkei_table.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/eval/eval_record_reference.h"

namespace eval {
namespace {

using board::KEvalRecord;
using board::KMove;
using board::KPosition;
using testing::OpenFileReplay;
using testing::record_matches;
using testing::record_of;
using testing::Terms;
using testing::terms_from_scratch;

// Moves checked; the sanitizer build plays a slice of the same games.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kMoves = 30000;
#else
constexpr long kMoves = 100000;
#endif
constexpr int kMaxGamePlies = 240;

// Game starts: the even game and the handicaps, the even game without sente's
// king and its turned twin without gote's (mate-problem positions), and kings
// with half of every piece in each hand.
std::vector<model::Kyokumen> game_starts() {
  std::vector<model::Kyokumen> v = board::testing::handicap_starts(
      {model::kHirate, model::kKyoOchi, model::kKakuOchi, model::kHishaOchi, model::kNimaiOchi, model::kRokumaiOchi,
       model::kNoSenteKing});
  v.push_back(v.back());
  v.back().Flip();
  v.back().teban = 1;
  v.push_back(board::testing::kings_and_hands(board::testing::kHalfOfEveryPiece, board::testing::kHalfOfEveryPiece));
  return v;
}

struct Coverage {
  long moves = 0, drops = 0, captures = 0, promotions = 0, king_moves = 0, king_file_changes = 0, passes = 0,
       kingless = 0;
};

bool mover_in_check(const model::Kyokumen& k) { return k.IsOute(k.teban); }

// One random game: the evaluation is prepared for the start with random
// strategy codes and style, then the strategy table stays as it is.
class Game {
 public:
  Game(const model::Kyokumen& start, std::mt19937& rng) : rng_(rng) {
    k_.Copy(start);
    EXPECT_EQ(driver::position_load(p_, k_), 0);
    const int32_t codes[2] = {static_cast<int32_t>(rng_() % 23), static_cast<int32_t>(rng_() % 23)};
    eval_root_prepare(p_, codes, static_cast<int32_t>(rng_() % 3 + 16 * (rng_() % 256)));
    open_.Start(*board::eval_weights, p_);
    rec_ = record_of(terms_from_scratch(*board::eval_weights, p_, open_));
  }

  // Plays up to kMaxGamePlies moves (about one in twelve a pass), checking the
  // record after each.
  void Play(Coverage& cov) {
    for (int ply = 0; ply < kMaxGamePlies && cov.moves < kMoves; ++ply) {
      KMove km = board::pass_move();
      if (rng_() % 12 == 0 && !mover_in_check(k_)) {
        k_.teban = 1 - k_.teban;
        ++cov.passes;
      } else {
        model::Sashite m;
        if (board::testing::random_legal_moves(k_, rng_, &m, 1) == 0) return;
        ASSERT_EQ(driver::sashite_to_kmove(km, p_, m), 0);
        ASSERT_TRUE(k_.DoSashite(m));
      }
      ASSERT_NO_FATAL_FAILURE(Step(km, cov));
    }
  }

 private:
  void Step(const KMove& km, Coverage& cov) {
    const int mover = p_.teban;
    board::do_move(p_, km, 0);
    KEvalRecord child;
    eval_sashite_diff(km, p_, rec_, child);
    rec_ = child;
    if (km.from != board::kPassSquare && board::code_kind(km.code) == board::kKing) {
      open_.KingMoved(*board::eval_weights, p_, mover, km.from, km.to);
      ++cov.king_moves;
      cov.king_file_changes += board::square_file(km.from) != board::square_file(km.to);
    }
    ++cov.moves;
    cov.drops += km.from == board::kInHand;
    cov.captures += km.captured_code != 0;
    cov.promotions += km.promote != 0;
    cov.kingless += !board::is_playing_square(p_.piece[0].sq) || !board::is_playing_square(p_.piece[1].sq);
    ASSERT_TRUE(record_matches(rec_, terms_from_scratch(*board::eval_weights, p_, open_)))
        << "after move " << cov.moves << ": " << int(km.from) << "->" << int(km.to) << " code " << int(km.code);
  }

  std::mt19937& rng_;
  model::Kyokumen k_;
  KPosition p_;
  OpenFileReplay open_;
  KEvalRecord rec_;
};

// Every field equals the from-scratch terms after every move; the open-file
// sums and their weighted terms are checked by replaying their refresh rule
// (OpenFileReplay: refreshed only when the enemy king changes file, weighted
// with the pawns in hand of that moment).
TEST(EvalSashiteDiff, RandomGamesMatchFromScratchWithOpenFilesReplayed) {
  std::mt19937 rng(20240615);
  const std::vector<model::Kyokumen> starts = game_starts();
  Coverage cov;
  for (size_t game = 0; cov.moves < kMoves; ++game) {
    Game g(starts[game % starts.size()], rng);
    ASSERT_NO_FATAL_FAILURE(g.Play(cov));
  }
  EXPECT_GT(cov.drops, kMoves / 50);
  EXPECT_GT(cov.captures, kMoves / 50);
  EXPECT_GT(cov.promotions, kMoves / 200);
  EXPECT_GT(cov.king_file_changes, kMoves / 200);
  EXPECT_GT(cov.king_moves, cov.king_file_changes);
  EXPECT_GT(cov.passes, kMoves / 50);
  EXPECT_GT(cov.kingless, kMoves / 20);
}

// The twin: the board turned by 180 degrees, the sides swapped.
model::Kyokumen twin_of(const model::Kyokumen& k) {
  model::Kyokumen t;
  t.Copy(k);
  t.Flip();
  t.teban = 1 - k.teban;
  return t;
}

model::Sashite twin_move(const model::Kyokumen& twin, const model::Sashite& m) {
  const bool drop = m.from_x == model::kSenteHand || m.from_x == model::kGoteHand;
  const int fx = drop ? (m.from_x == model::kSenteHand ? model::kGoteHand : model::kSenteHand) : 10 - m.from_x;
  const int fy = drop ? m.from_y : 10 - m.from_y;
  model::Sashite t(fx, fy, 10 - m.to_x, 10 - m.to_y, 0, 0, m.nari, 0);
  twin.CompleteSashite(t);
  return t;
}

::testing::AssertionResult mirrored(const KEvalRecord& a, const KEvalRecord& b) {
  for (int s = 0; s < 2; ++s) {
    const int o = 1 - s;
    if (a.att[s].attack != b.att[o].attack || a.att[s].open_file != b.att[o].open_file ||
        a.def[s].defence != b.def[o].defence || a.hand_b[s] != b.hand_b[o] ||
        a.mat[s].material != b.mat[o].material) {
      return ::testing::AssertionFailure() << "side " << s << " differs from the twin's side " << o;
    }
  }
  return ::testing::AssertionSuccess();
}

// A position and its twin (with the strategy codes swapped) give mirrored
// records, and keep them over mirrored moves. Each is scored with its own
// strategy table filled for its codes.
TEST(EvalSashiteDiff, TurnedTwinKeepsMirroredRecords) {
  std::mt19937 rng(7);
  eval_tables_init(eval_weight_block, 0x800);
  board::eval_weights = &eval_weight_block;
  const board::KEvalWeights& w = eval_weight_block;
  board::KSenkeiTable* const saved = board::senkei_current;
  static board::KSenkeiTable tables[2];
  for (const model::Kyokumen& start : game_starts()) {
    model::Kyokumen k[2];
    k[0].Copy(start);
    k[1] = twin_of(start);
    const int32_t codes[2] = {static_cast<int32_t>(rng() % 23), static_cast<int32_t>(rng() % 23)};
    const int32_t twin_codes[2] = {codes[1], codes[0]};
    senkei_tables_fill(tables[0], 0, codes);
    senkei_tables_fill(tables[1], 0, twin_codes);
    KPosition p[2];
    OpenFileReplay open[2];
    KEvalRecord rec[2];
    for (int i = 0; i < 2; ++i) {
      ASSERT_EQ(driver::position_load(p[i], k[i]), 0);
      board::senkei_current = &tables[i];
      open[i].Start(w, p[i]);
      rec[i] = record_of(terms_from_scratch(w, p[i], open[i]));
    }
    ASSERT_TRUE(mirrored(rec[0], rec[1]));
    for (int ply = 0; ply < 120; ++ply) {
      model::Sashite m[2];
      if (board::testing::random_legal_moves(k[0], rng, &m[0], 1) == 0) break;
      m[1] = twin_move(k[1], m[0]);
      for (int i = 0; i < 2; ++i) {
        KMove km;
        ASSERT_EQ(driver::sashite_to_kmove(km, p[i], m[i]), 0);
        ASSERT_TRUE(k[i].DoSashite(m[i]));
        board::do_move(p[i], km, 0);
        board::senkei_current = &tables[i];
        KEvalRecord child;
        eval_sashite_diff(km, p[i], rec[i], child);
        rec[i] = child;
      }
      ASSERT_TRUE(mirrored(rec[0], rec[1])) << "after ply " << ply;
    }
  }
  board::senkei_current = saved;
}

// Single moves on constructed positions, with every strategy bonus 0.
class EvalDiffDelta : public ::testing::Test {
 protected:
  void SetUp() override {
    eval_tables_init(eval_weight_block, 0x800);
    board::eval_weights = &eval_weight_block;
    saved_ = board::senkei_current;
    board::senkei_current = &zero_;
  }
  void TearDown() override { board::senkei_current = saved_; }

  // Loads the scene, builds the root record from scratch, makes the move and
  // returns the change of each field.
  KEvalRecord Delta(const board::testing::Scene& scene, int fx, int fy, int tx, int ty, int nari = 0) {
    p_ = scene.Load();
    const KMove km = scene.Move(p_, fx, fy, tx, ty, nari);
    OpenFileReplay open;
    open.Start(w(), p_);
    root_ = record_of(terms_from_scratch(w(), p_, open));
    board::do_move(p_, km, 0);
    eval_sashite_diff(km, p_, root_, after_);
    KEvalRecord d{};
    for (int s = 0; s < 2; ++s) {
      d.att[s].attack = static_cast<int16_t>(after_.att[s].attack - root_.att[s].attack);
      d.att[s].open_file = after_.att[s].open_file - root_.att[s].open_file;
      d.def[s].defence = static_cast<int16_t>(after_.def[s].defence - root_.def[s].defence);
      d.hand_b[s] = static_cast<int16_t>(after_.hand_b[s] - root_.hand_b[s]);
      d.mat[s].material = static_cast<int16_t>(after_.mat[s].material - root_.mat[s].material);
    }
    return d;
  }

  static const board::KEvalWeights& w() { return eval_weight_block; }
  // king_rel of a class for `side` between the king and the square (file, rank).
  static int Rel(int side, int kf, int kr, int cls, int f, int r) {
    return testing::king_rel(w(), side, board::square_of(kf, kr), cls, board::square_of(f, r));
  }

  KPosition p_;
  KEvalRecord root_{}, after_{};

 private:
  board::KSenkeiTable zero_{};
  board::KSenkeiTable* saved_ = nullptr;
};

using model::kGin, model::kHi, model::kKaku, model::kKin, model::kFu, model::kOu;
using model::testing::gote;

board::testing::Scene kings() { return board::testing::Scene().Put(5, 9, kOu).Put(5, 1, gote(kOu)); }

TEST_F(EvalDiffDelta, PassCopiesAndClearsOnly) {
  p_ = kings().Load();
  root_ = record_of(Terms{{1, 2}, {3, 4}, {5, 6}, {7, 8}, {9, 10}});
  const KMove pass = board::pass_move();
  board::do_move(p_, pass, 0);
  eval_sashite_diff(pass, p_, root_, after_);
  KEvalRecord want = root_;
  want.flags = 0;
  for (int s = 0; s < 2; ++s) want.att[s].attack_extra = want.def[s].defence_extra = want.mat[s].material_extra = 0;
  EXPECT_EQ(std::memcmp(&after_, &want, sizeof want), 0);
}

// The last piece of a kind dropped reads count index 0; so does the first
// piece of a kind captured.
TEST_F(EvalDiffDelta, CountIndexZeroForLastDropAndFirstCapture) {
  board::testing::Scene s = kings();
  s.k.mochigoma[0][kKin] = 1;
  s.k.mochigoma[0][kGin] = 1;
  KEvalRecord d = Delta(s, model::kSenteHand, kKin, 5, 5);
  EXPECT_EQ(d.mat[0].material, 690 - 765);  // the gold's value less its first count value
  EXPECT_EQ(d.hand_b[0], -(765 - 306) + 5);  // the split's second part; one non-pawn piece left: 5
  EXPECT_EQ(d.att[0].attack, -306 + Rel(0, 5, 1, 6, 5, 5));
  EXPECT_EQ(d.def[0].defence, Rel(0, 5, 9, 0, 5, 5));
  EXPECT_EQ(d.mat[1].material, 0);

  s = kings().Put(5, 5, kFu).Put(5, 4, gote(kGin));
  s.k.mochigoma[0][kKin] = 1;
  d = Delta(s, 5, 5, 5, 4);
  EXPECT_EQ(d.mat[0].material, 660);         // first silver in hand
  EXPECT_EQ(d.hand_b[0], (680 - 272) - 5);   // two non-pawn pieces now: the second costs 5
  EXPECT_EQ(d.att[0].attack, 272 + Rel(0, 5, 1, 10, 5, 4) - Rel(0, 5, 1, 10, 5, 5));
  EXPECT_EQ(d.mat[1].material, -600);
  EXPECT_EQ(d.def[1].defence, -Rel(1, 5, 1, 1, 5, 4));
  EXPECT_EQ(d.att[1].attack, -Rel(1, 5, 9, 8, 5, 4));
}

// The open-file sum of gote against sente's king: kept when the king keeps its
// file, refreshed when it changes file; the weighted term caps the sum at 320.
TEST_F(EvalDiffDelta, KingMoveOpenFiles) {
  auto scene = [](std::initializer_list<int> pawn_files) {
    board::testing::Scene s = kings();
    for (int f : pawn_files) s.Put(f, 3, gote(kFu));
    s.k.mochigoma[1][kFu] = 4;  // count_curve[4] = 80
    return s;
  };
  // Gote's pawns on files 4-6: the open files sum 922 from file 5, 896 from file 4.
  auto rebase = [](int kf, int kr, std::initializer_list<int> files) {
    int sum = 0;
    for (int f : files) sum += Rel(1, kf, kr, 10, f, 3) - Rel(1, 5, 9, 10, f, 3);
    return sum;
  };
  KEvalRecord d = Delta(scene({4, 5, 6}), 5, 9, 5, 8);
  EXPECT_EQ(root_.att[1].open_file, 102 + 154 + 205 + 205 + 154 + 102);
  EXPECT_EQ(d.att[1].open_file, 0);
  EXPECT_EQ(d.att[1].attack, rebase(5, 8, {4, 5, 6}));
  EXPECT_EQ(d.def[0].defence, 0);

  d = Delta(scene({4, 5, 6}), 5, 9, 4, 8);
  EXPECT_EQ(after_.att[1].open_file, 154 + 205 + 230 + 154 + 102 + 51);
  EXPECT_EQ(d.att[1].attack, rebase(4, 8, {4, 5, 6}));  // both sums above 320: weighted 100 either way

  // Files 8 and 9 open: 256 from file 5, 153 from file 4, below the cap.
  d = Delta(scene({1, 2, 3, 4, 5, 6, 7}), 5, 9, 4, 8);
  EXPECT_EQ(after_.att[1].open_file, 153);
  EXPECT_EQ(d.att[1].attack, rebase(4, 8, {1, 2, 3, 4, 5, 6, 7}) + (153 * 80 >> 8) - (256 * 80 >> 8));
}

// Rook and bishop placement pairs (attack, hand_b) and the promotion values.
TEST_F(EvalDiffDelta, PlacementPairGains) {
  struct Case {
    int code, fx, fy, tx, ty, nari, attack, hand_b, material;
  };
  const Case cases[] = {
      {kHi, 2, 8, 2, 3, 0, 400, -200, 0},      // rook entering the camp
      {kHi, 2, 3, 2, 2, 1, 100, 35, 320},      // rook promoting inside
      {kHi, 2, 8, 2, 3, 1, 500, -165, 320},    // rook promoting as it enters
      {kKaku, 8, 8, 3, 3, 0, 100, 0, 0},       // bishop entering
      {kKaku, 4, 4, 3, 3, 0, 100, 0, 0},
      {kKaku, 3, 3, 2, 2, 1, 100, -400, 260},  // bishop promoting inside
      {kKaku, 8, 8, 3, 3, 1, 200, -400, 260},  // bishop promoting as it enters
  };
  for (const Case& c : cases) {
    const KEvalRecord d = Delta(kings().Put(c.fx, c.fy, c.code), c.fx, c.fy, c.tx, c.ty, c.nari);
    EXPECT_EQ(d.att[0].attack, c.attack) << c.fx << c.fy << c.tx << c.ty;
    EXPECT_EQ(d.hand_b[0], c.hand_b) << c.fx << c.fy << c.tx << c.ty;
    EXPECT_EQ(d.mat[0].material, c.material) << c.fx << c.fy << c.tx << c.ty;
    // A new horse counts around its own king.
    EXPECT_EQ(d.def[0].defence, c.code == kKaku && c.nari ? Rel(0, 5, 9, 5, c.tx, c.ty) : 0);
  }
  // A captured dragon takes its pair and value from gote.
  const KEvalRecord d = Delta(kings().Put(2, 8, kHi).Put(2, 3, gote(model::kRyu)), 2, 8, 2, 3);
  EXPECT_EQ(d.att[1].attack, -650);
  EXPECT_EQ(d.hand_b[1], -235);
  EXPECT_EQ(d.mat[1].material, -1150);
  EXPECT_EQ(d.mat[0].material, 1220);  // the first rook in hand
}

// Without gote's king nothing is scored around it; sente's own terms stay.
TEST_F(EvalDiffDelta, AbsentKingHasNoTerms) {
  board::testing::Scene s = board::testing::Scene().Put(5, 9, kOu);
  s.k.mochigoma[0][kKin] = 1;
  const KEvalRecord d = Delta(s, model::kSenteHand, kKin, 5, 2);
  EXPECT_EQ(d.att[0].attack, -306);
  EXPECT_EQ(d.def[0].defence, Rel(0, 5, 9, 0, 5, 2));
}

}  // namespace
}  // namespace eval
