// The evaluation record a search node carries, kept move by move, against the
// record built from scratch for the node's position: over random games from
// the even start, the handicaps and positions with full hands, every record
// after every move and after every take-back equals a fresh build word for
// word, whatever the path that led to the position.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <vector>

#include "engine/board/make_move.h"
#include "engine/eval/eval_diff.h"
#include "engine/eval/root_modes.h"
#include "engine/search/position_features.h"
#include "tests/engine/board/model_positions.h"

namespace search {
namespace {

using board::KEvalRecord;
using board::KMove;
using board::KPosition;

constexpr int kGames = 12;
constexpr int kMaxGamePlies = 160;
constexpr int kMaxDetour = 4;  // moves made and taken back before each move of the game

::testing::AssertionResult same_words(const KEvalRecord& kept, const KEvalRecord& fresh) {
  std::ostringstream diff;
  auto cmp = [&](const char* name, int s, int a, int b) {
    if (a != b) diff << ' ' << name << '[' << s << "] " << a << '/' << b;
  };
  cmp("flags", 0, static_cast<int>(kept.flags), static_cast<int>(fresh.flags));
  for (int s = 0; s < 2; ++s) {
    cmp("attack", s, kept.att[s].attack, fresh.att[s].attack);
    cmp("attack_extra", s, kept.att[s].attack_extra, fresh.att[s].attack_extra);
    cmp("open_file", s, kept.att[s].open_file, fresh.att[s].open_file);
    cmp("defence", s, kept.def[s].defence, fresh.def[s].defence);
    cmp("defence_extra", s, kept.def[s].defence_extra, fresh.def[s].defence_extra);
    cmp("hand_b", s, kept.hand_b[s], fresh.hand_b[s]);
    cmp("material", s, kept.mat[s].material, fresh.mat[s].material);
    cmp("material_extra", s, kept.mat[s].material_extra, fresh.mat[s].material_extra);
  }
  if (diff.str().empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "kept/fresh:" << diff.str();
}

KEvalRecord fresh(const KPosition& p) {
  KEvalRecord r{};
  position_features(p, r);
  return r;
}

// What the games did; each kind must turn up.
struct Coverage {
  long checks = 0, drops = 0, promotions = 0, king_moves = 0, king_file_changes = 0, king_captures = 0;
  long by_side[2] = {};
  long captured[32] = {};  // by the captured piece's class
};

// One frame of the path: the game model's position before the move, the move
// and the record of the position it left.
struct Frame {
  model::Kyokumen k;
  KMove m;
  KEvalRecord record;
};

class EvalRecordUpdate : public ::testing::Test {
 protected:
  // Makes a random legal move of k on p, with the child's record from the
  // current one; false when there is none.
  bool Make(model::Kyokumen& k, KPosition& p, KEvalRecord& record, std::vector<Frame>& path) {
    model::Sashite s;
    if (board::testing::random_legal_moves(k, rng_, &s, 1) == 0) return false;
    Frame f{};
    f.k.Copy(k);
    EXPECT_EQ(bridge::sashite_to_kmove(f.m, p, s), 0);
    f.record = record;
    EXPECT_TRUE(k.DoSashite(s));
    board::do_move(p, f.m, 0);
    eval::eval_sashite_diff(f.m, p, f.record, record);
    Count(f.m);
    path.push_back(f);
    return true;
  }

  void Unmake(model::Kyokumen& k, KPosition& p, KEvalRecord& record, std::vector<Frame>& path) {
    const Frame& f = path.back();
    board::undo_move(p, f.m, 0);
    k.Copy(f.k);
    record = f.record;
    path.pop_back();
  }

  void Count(const KMove& m) {
    const int cls = board::code_class(m.code);
    ++cov_.by_side[board::code_side(m.code)];
    cov_.drops += m.from == board::kInHand;
    cov_.promotions += m.promote != 0;
    if (cls == board::kKing) {
      ++cov_.king_moves;
      cov_.king_file_changes += board::square_file(m.from) != board::square_file(m.to);
      cov_.king_captures += m.captured_code != 0;
    }
    if (m.captured_code != 0) ++cov_.captured[board::code_class(m.captured_code)];
  }

  std::mt19937 rng_{38};
  Coverage cov_;
};

TEST_F(EvalRecordUpdate, EqualsAFreshBuildAfterEveryMoveAndTakeBack) {
  std::vector<model::Kyokumen> starts = board::testing::handicap_starts(
      {model::kHirate, model::kKakuOchi, model::kHishaOchi, model::kNimaiOchi, model::kRokumaiOchi});
  starts.push_back(board::testing::kings_and_hands(board::testing::kHalfOfEveryPiece, board::testing::kHalfOfEveryPiece));
  for (int game = 0; game < kGames; ++game) {
    model::Kyokumen k;
    k.Copy(starts[game % starts.size()]);
    KPosition p = board::testing::load(k);
    // Random strategy codes and style, so that the strategy squares and the
    // style's tables differ from game to game.
    const int32_t codes[2] = {static_cast<int32_t>(rng_() % 23), static_cast<int32_t>(rng_() % 23)};
    eval::eval_root_prepare(p, codes, static_cast<int32_t>(rng_() % 3 + 16 * (rng_() % 256)));
    eval::eval_setup_stage(p, static_cast<int>(rng_() % 3), codes);
    KEvalRecord record = fresh(p);
    std::vector<Frame> path;
    auto check = [&](const char* what) {
      ++cov_.checks;
      ASSERT_TRUE(same_words(record, fresh(p))) << what << ", game " << game << " ply " << path.size() << " move "
                                                << (path.empty() ? 0 : int(path.back().m.from)) << "->"
                                                << (path.empty() ? 0 : int(path.back().m.to));
    };
    for (int ply = 0; ply < kMaxGamePlies; ++ply) {
      // A detour as a search takes it: down a few moves, then back.
      const size_t base = path.size();
      const int detour = static_cast<int>(rng_() % (kMaxDetour + 1));
      for (int i = 0; i < detour && Make(k, p, record, path); ++i) {
        ASSERT_NO_FATAL_FAILURE(check("after a move"));
      }
      while (path.size() > base) {
        Unmake(k, p, record, path);
        ASSERT_NO_FATAL_FAILURE(check("after a take-back"));
      }
      if (!Make(k, p, record, path)) break;
      ASSERT_NO_FATAL_FAILURE(check("after a game move"));
    }
  }
  EXPECT_GT(cov_.checks, 3000);
  EXPECT_GT(cov_.by_side[0], 500);
  EXPECT_GT(cov_.by_side[1], 500);
  EXPECT_GT(cov_.drops, 100);
  EXPECT_GT(cov_.promotions, 50);
  EXPECT_GT(cov_.king_file_changes, 50);
  EXPECT_GT(cov_.king_captures, 0);
  const int classes[] = {board::kRook,   board::kBishop, board::kGold,  board::kSilver,
                         board::kKnight, board::kLance,  board::kPawn,  board::kDragon,
                         board::kHorse,  board::kSilver | board::kPromotedBit,
                         board::kKnight | board::kPromotedBit,  board::kLance | board::kPromotedBit, board::kTokin};
  for (int cls : classes) {
    EXPECT_GT(cov_.captured[cls], 0) << "no capture of class " << cls;
  }
}

}  // namespace
}  // namespace search
