// The computer-thread jobs run on the calling thread: memory sizing, strategy
// profiles, loading a record's line, and the think with its book-or-search
// choice.
#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "engine/board/hash_key.h"
#include "engine/board/move_rules.h"
#include "engine/board/repetition.h"
#include "engine/board/think_board.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/book_or_chuban.h"
#include "engine/driver/computer_jobs.h"
#include "engine/driver/driver_words.h"
#include "engine/driver/joseki_books.h"
#include "engine/driver/think_state.h"
#include "engine/search/chuban.h"
#include "engine/search/search_words.h"
#include "engine/tsume/tsume_entry.h"
#include "model/position/perft.h"
#include "model/record/kifu_holder.h"
#include "tests/model/position/position_builder.h"
#include "tests/model/record/kifu_test_util.h"

namespace driver {
namespace {

using model::testing::gote;
using model::testing::kings_only;
using model::testing::move;
using model::testing::play;
using model::testing::put;

constexpr uint64_t kMB = 1 << 20;

std::vector<uint32_t> alloc_tries;
uint32_t alloc_limit = 0;
int fake_alloc(uint32_t kb) {
  alloc_tries.push_back(kb);
  return kb <= alloc_limit ? 0 : 1;
}

TEST(EngineMemory, TableSizeFollowsPhysicalMemoryAndHalvesOnFailure) {
  EXPECT_EQ(engine_table_kb(16 * kMB), 13107u);
  EXPECT_EQ(engine_table_kb(64 * kMB), 32768u);
  EXPECT_EQ(engine_table_kb(256 * kMB), 65536u);
  EXPECT_EQ(engine_table_kb(100 * kMB), 51200u);
  EXPECT_EQ(engine_table_kb(0), 13107u);  // memory unreadable

  alloc_tries.clear();
  alloc_limit = 20000;
  EXPECT_EQ(engine_table_alloc(65536, fake_alloc), 16384u);
  EXPECT_EQ(alloc_tries, (std::vector<uint32_t>{65536, 32768, 16384}));
  alloc_tries.clear();
  alloc_limit = 0;
  EXPECT_EQ(engine_table_alloc(65536, fake_alloc), 0u);
  EXPECT_EQ(alloc_tries, (std::vector<uint32_t>{65536, 32768, 16384, 13107}));
}

// Thread start makes the transposition table and the in-game mate instance and
// answers 1; the release at command 11 frees both and answers 1.
TEST(EngineMemory, InitAndFreeAnswerOne) {
  EXPECT_EQ(engine_memory_init(), 1);
  EXPECT_GE(engine_table_kb_allocated(), kMinTableKb);
  EXPECT_NE(tsume::tsume_instance(), nullptr);
  EXPECT_EQ(engine_memory_free(), 1);
  EXPECT_EQ(engine_table_kb_allocated(), 0u);
  EXPECT_EQ(tsume::tsume_instance(), nullptr);
  search::set_pv_sink(nullptr);  // the thread's message sinks, set at its start
  search::set_progress_sink(nullptr);
}

TEST(GameInit, StrategyProfilesGiveMasksAndHopelessScores) {
  const uint32_t given[13] = {0x3FFFFF, 0x8FAD3, 0x5F92C, 0x4000F801, 0x3FFFFF, 0x5F92C, 0x4,
                              0x10000,  0x4,     0x100,   0x80,       0x240,    0x13};
  for (int code = 0; code <= 33; ++code) {
    EXPECT_EQ(senkei_request_mask(code), code < 13 ? given[code] : 0x3FFFFFu) << code;
    EXPECT_EQ(senkei_request_hopeless(code), code == 4 || code == 5 ? -3000 : -32766) << code;
  }
  for (int code : {-1, 34, 1000}) EXPECT_EQ(senkei_request_mask(code), 0x3FFFFFu);

  CompJob job;
  job.senkei_request[0] = 2;
  job.senkei_request[1] = 5;
  job.want_ktsume = 1;
  job.game.senkei_played[0] = 1;
  EXPECT_EQ(game_init(job), 0);
  EXPECT_EQ(job.game.senkei_mask[0], 0x5F92Cu);
  EXPECT_EQ(job.game.hopeless_score[0], -32766);
  EXPECT_EQ(job.game.hopeless_score[1], -3000);
  EXPECT_EQ(job.game.senkei_played[0], 0x3FFFFFu);
  EXPECT_EQ(job.ktsume_open, 1);
  EXPECT_EQ(game_exit(job), 1);
  EXPECT_EQ(job.ktsume_open, 0);
}

// Both kings step out and back: the start position again.
constexpr std::initializer_list<model::testing::Squares> kKingsOutAndBack = {
    {5, 9, 5, 8}, {5, 1, 5, 2}, {5, 8, 5, 9}, {5, 2, 5, 1}};

RecordCursor cursor_of(const model::KifuHolder& h) {
  RecordCursor c;
  record_cursor_set(c, h.kifu, h.current, h.kyokumen);
  return c;
}

// The game-line repetition count of the position.
uint32_t occurrences(const board::KPosition& p) {
  board::KHashKey key;
  board::hash_key_full(p, 0, key);
  const board::KKifuRepEntry* e = board::kifu_rep_find(key);
  return e ? e->occurrences : 0;
}

TEST(LoadGameLine, FollowsTheChosenLineToTheCursorAndStopsAtASpecialMove) {
  // Main line 1.７六歩 2.３四歩; a branch at ply 1 walks both kings out and back
  // (the start position again) and resigns.
  model::KifuHolder h;
  model::Kifu& kifu = h.kifu;
  ASSERT_TRUE(play(kifu.table.get(), kifu.Start(), {model::testing::k76, model::testing::k34}));
  ASSERT_TRUE(play(kifu.table.get(), kifu.Start(), kKingsOutAndBack));
  ASSERT_TRUE(kifu.AddSashite(4, model::Sashite(0, 0, 0, 0, 0, 0, 0, model::kToryo), 0, nullptr, -1, 0));

  KPositionHistory root;
  board::KPosition cur;
  h.SetCurrent(kifu.NodeAtTesu(5));  // the resignation
  ASSERT_EQ(load_game_line(root, cur, cursor_of(h)), 4);
  ASSERT_EQ(root.count, 4);
  ASSERT_EQ(root.moves.size(), 4u);
  EXPECT_EQ(root.moves[0].from, board::square_of(5, 9));
  EXPECT_EQ(root.moves[3].to, board::square_of(5, 1));
  EXPECT_EQ(occurrences(cur), 2u);  // the start position, twice
  EXPECT_EQ(cur.teban, 0);

  h.SetCurrent(kifu.NodeAtTesu(2));
  EXPECT_EQ(load_game_line(root, cur, cursor_of(h)), 2);
  EXPECT_EQ(occurrences(cur), 1u);

  h.SetCurrent(kifu.root.get());
  EXPECT_EQ(load_game_line(root, cur, cursor_of(h)), 0);
  EXPECT_EQ(root.count, 0);
  EXPECT_EQ(occurrences(root.position), 1u);

  ASSERT_TRUE(kifu.SelectBranch(0, 0, false));
  h.SetCurrent(kifu.NodeAtTesu(2));
  EXPECT_EQ(load_game_line(root, cur, cursor_of(h)), 2);
  EXPECT_EQ(root.moves[0].from, board::square_of(7, 7));
  EXPECT_EQ(cur.board[board::square_of(3, 4)], root.moves[1].piece);

  // A first position the engine cannot hold is not thought about.
  model::KifuHolder bad;
  model::Kyokumen two_kings = kings_only();
  put(two_kings, 1, 9, model::kOu);
  ASSERT_TRUE(bad.kifu.SetStartPosition(two_kings));
  bad.SetCurrent(bad.kifu.root.get());
  EXPECT_EQ(load_game_line(root, cur, cursor_of(bad)), -1);
  CompJob job;
  job.cursor = cursor_of(bad);
  EXPECT_EQ(chuban_job(job), kJobNoMove);
}

TEST(LoadGameLine, ALineLongerThanTheRepetitionTableKeepsItsLatestPositions) {
  // The two kings wander at random for 8000 plies, through far more positions
  // than the table holds, then each steps out and back: the last position is
  // the one of four plies before.
  model::KifuHolder h;
  ASSERT_TRUE(h.kifu.SetStartPosition(kings_only()));
  model::KifuSashite* at = h.kifu.root.get();
  std::set<std::pair<uint32_t, uint32_t>> seen;
  uint32_t state = 12345;
  auto play_one = [&](model::Sashite m) {
    at = model::Kifu::AddSashiteAtPos(at->to, m, 0, nullptr, -1, h.kifu.table.get(), model::KifuChooser::kNever, true);
    return at != nullptr;
  };
  for (int ply = 0; ply < 8000; ++ply) {
    model::Sashite moves[model::kMaxSashite];
    const int n = model::legal_moves(at->to->kyokumen, moves);
    ASSERT_GT(n, 0);
    state = state * 1664525u + 1013904223u;
    ASSERT_TRUE(play_one(moves[(state >> 8) % static_cast<uint32_t>(n)]));
    seen.emplace(at->to->hash_lo, at->to->hash_hi);
  }
  ASSERT_GT(seen.size(), 2 * board::kKifuRepSize);
  const model::Kyokumen before = at->to->kyokumen;
  model::Sashite out[2];
  for (int step = 0; step < 4; ++step) {
    model::Sashite moves[model::kMaxSashite];
    const int n = model::legal_moves(at->to->kyokumen, moves);
    ASSERT_GT(n, 0);
    model::Sashite chosen = moves[0];
    if (step >= 2) {  // back to where the king came from
      const model::Sashite& went = out[step - 2];
      chosen = model::Sashite(went.to_x, went.to_y, went.from_x, went.from_y, 0, 0, 0, 0);
      ASSERT_TRUE(at->to->kyokumen.CompleteSashite(chosen));
    } else {
      out[step] = chosen;
    }
    ASSERT_TRUE(play_one(chosen));
  }
  ASSERT_TRUE(at->to->kyokumen == before);
  h.SetCurrent(at);

  KPositionHistory root;
  board::KPosition cur;
  ASSERT_EQ(load_game_line(root, cur, cursor_of(h)), 8004);
  EXPECT_GE(occurrences(cur), 2u);
}

// A think job on a position: the record starts there and the cursor stands at
// its start.
class ThinkJob : public ::testing::Test {
 protected:
  // The think asks the in-game mate solver at the root.
  static void SetUpTestSuite() { tsume::tsume_alloc(8192); }
  static void TearDownTestSuite() { tsume::tsume_free(); }
  void SetUp() override {
    think_state_set(kThinkIdle);
    board::think_board.generator_words.game_stage = 0;
    job_.max_depth = 2;
  }
  void TearDown() override {
    think_state_set(kThinkIdle);
    board::think_board.generator_words.game_stage = 0;
  }

  int Think(const model::Kyokumen& k) {
    holder_.kifu.ClearMoves();
    EXPECT_TRUE(holder_.kifu.SetStartPosition(k));
    holder_.SetCurrent(holder_.kifu.root.get());
    job_.cursor = cursor_of(holder_);
    return chuban_job(job_);
  }

  // The choice itself on the position, from the job block (without its book).
  int Choose(const model::Kyokumen& k, board::KMove& out) {
    Think(k);
    KPositionHistory root;
    EXPECT_EQ(bridge::position_load(cur_, k), 0);
    job_.no_book = 1;
    return choose_book_or_chuban(job_, root, cur_, 0, out);
  }

  model::KifuHolder holder_;
  CompJob job_;
  board::KPosition cur_;
};

TEST_F(ThinkJob, ACapturableKingIsAWinForEitherSide) {
  model::Kyokumen k = kings_only();
  put(k, 5, 5, model::kHi);  // sente's rook on the king's file
  EXPECT_EQ(Think(k), kJobKingTaken);
  EXPECT_EQ(job_.hyouka.value, 32766);

  model::Kyokumen g = kings_only();
  put(g, 5, 5, gote(model::kHi));
  g.teban = 1;
  board::KMove out;
  EXPECT_EQ(Choose(g, out), kChoiceKingCapturable);
  EXPECT_EQ(job_.hyouka.value, -32766);

  // Without an enemy king there is nothing to capture: the search decides.
  model::Kyokumen lone = model::testing::empty_position();
  put(lone, 5, 9, model::kOu);
  put(lone, 5, 5, model::kHi);
  EXPECT_EQ(Think(lone), kJobMove);
}

TEST_F(ThinkJob, AStopBeforeTheSearchEndsTheThink) {
  think_state_set(kThinkStopRequested);
  EXPECT_EQ(Think(model::testing::initial(model::kHirate)), kJobStopped);
  board::KMove out;
  EXPECT_EQ(Choose(model::testing::initial(model::kHirate), out), kChoiceStopped);
  EXPECT_EQ(job_.hyouka.result_kind, model::KifuHyouka::kResultStage2);  // nothing chosen
}

TEST_F(ThinkJob, ValuesAreFromSentesViewAndKindsFollowTheStage) {
  // Gote to move takes a free rook: good for gote, so the value is negative.
  model::Kyokumen k = kings_only();
  put(k, 2, 2, gote(model::kKaku));
  put(k, 7, 7, model::kHi);
  k.teban = 1;
  ASSERT_EQ(Think(k), kJobMove);
  EXPECT_LT(job_.hyouka.value, -500);  // a rook up, seen from sente
  ASSERT_GE(job_.hyouka.pv.size(), 2u);
  EXPECT_EQ(job_.hyouka.predicted_reply, static_cast<int32_t>(job_.hyouka.pv[1]));
  // The kind names the game stage the think chose for the position.
  EXPECT_EQ(job_.hyouka.result_kind, model::KifuHyouka::kResultStage0 + board::think_board.generator_words.game_stage);
  EXPECT_EQ(job_.result_move, model::Sashite(2, 2, 7, 7, 0, 0, 1, 0));  // pieces left to the view
}

TEST_F(ThinkJob, AMateAtTheRootIsPlayedAndADropTakesTheTopHandSlot) {
  job_.time_b = 3000;  // the root mate check runs under a time rule
  model::Kyokumen k = kings_only();
  put(k, 5, 3, model::kKin);
  k.mochigoma[0][model::kKin] = 2;
  board::KMove out;
  ASSERT_EQ(Choose(k, out), kChoiceMove);
  EXPECT_EQ(job_.hyouka.result_kind, model::KifuHyouka::kResultMate);
  EXPECT_EQ(job_.hyouka.value, 32766);
  EXPECT_EQ(out.from, board::kInHand);
  EXPECT_EQ(out.piece, board::drop_piece(cur_, board::kGold));
  EXPECT_EQ(out.piece, cur_.hand_slot[board::kKindRange[board::kGold].first + 1]);

  ASSERT_EQ(Think(k), kJobMove);
  EXPECT_EQ(job_.result_move, model::Sashite(model::kSenteHand, model::kKin, 5, 2, 0, 0, 0, 0));

  // Mated: no move, the think resigns.
  model::Kyokumen mated = k;
  ASSERT_TRUE(mated.DoSashite(move(k, model::kSenteHand, model::kKin, 5, 2)));
  EXPECT_EQ(Think(mated), kJobNoMove);
}

// A user book with the pawn pushes on files 1..n of the even start, each with
// value 8 and the strategy word of its file.
struct PushBook {
  JosekiBooks books;
  explicit PushBook(int n) {
    model::Kyokumen k = model::testing::initial(model::kHirate);
    model::BookPosition pos;
    k.ToBookKey(pos);
    books.user_books.NewSlot(0);
    books.sources = kSourceUser;
    for (int file = 1; file <= n; ++file) {
      uint32_t code = 8u << 16;
      book_code_encode(&code, false, file, 7, file, 6, 0);
      books.user_books.Current()->Insert(pos, BookMove{code, 1u << file}, 1);
    }
  }
};

TEST_F(ThinkJob, TheBookAnswersWithEnoughCandidatesUpToPlyTen) {
  const model::Kyokumen start = model::testing::initial(model::kHirate);
  PushBook one(1);
  job_.book = &one.books;
  ASSERT_EQ(Think(start), kJobMove);
  EXPECT_EQ(job_.hyouka.result_kind, model::KifuHyouka::kResultBook);
  EXPECT_EQ(job_.hyouka.value, 0);
  EXPECT_EQ(job_.hyouka.pv.size(), 1u);
  EXPECT_EQ(job_.result_move, model::Sashite(1, 7, 1, 6, 0, 0, 0, 0));
  EXPECT_EQ(job_.game.senkei_played[0], 1u << 1);
  job_.no_book = 1;
  ASSERT_EQ(Think(start), kJobMove);
  EXPECT_EQ(job_.hyouka.result_kind, model::KifuHyouka::kResultStage0);
  job_.no_book = 0;

  // Three best moves asked for and two reported: the search decides, and the
  // book's strategy word stays.
  PushBook two(2);
  job_.book = &two.books;
  job_.book_min = 3;
  job_.game.senkei_played[0] = 0;
  ASSERT_EQ(Think(start), kJobMove);
  EXPECT_EQ(job_.hyouka.result_kind, model::KifuHyouka::kResultStage0);
  EXPECT_NE(job_.game.senkei_played[0], 0u);
  job_.book_min = 0;

  // A position after ply 10 skips the book unless any ply is allowed.
  model::KifuHolder& h = holder_;
  h.kifu.ClearMoves();
  ASSERT_TRUE(h.kifu.SetStartPosition(start));
  model::KifuSashite* last = nullptr;
  for (int i = 0; i < 3; ++i) last = play(h.kifu.table.get(), last ? last->to : h.kifu.Start(), kKingsOutAndBack);
  h.SetCurrent(last);
  job_.cursor = cursor_of(h);
  job_.book = &one.books;
  ASSERT_EQ(chuban_job(job_), kJobMove);
  EXPECT_EQ(job_.hyouka.result_kind, model::KifuHyouka::kResultStage0);
  job_.book_any_ply = 1;
  ASSERT_EQ(chuban_job(job_), kJobMove);
  EXPECT_EQ(job_.hyouka.result_kind, model::KifuHyouka::kResultBook);

  // The mate-match move takes the book's move; without a book it resigns.
  job_.book_any_ply = 0;
  ASSERT_EQ(Think(start), kJobMove);
  EXPECT_EQ(kelmor_think(job_), kJobMove);
  EXPECT_EQ(job_.result_move, model::Sashite(1, 7, 1, 6, 0, 0, 0, 0));
  job_.book = nullptr;
  EXPECT_EQ(kelmor_think(job_), kJobNoMove);
}

TEST(ComputerYosokuConvert, GivesTheUserInterfaceForm) {
  int32_t out[5] = {};
  const uint32_t promote = board::square_of(8, 8) | board::square_of(2, 2) << 8 | 0x22u << 16 | 0x42u << 23 | 1u << 30;
  ASSERT_EQ(computer_yosoku_convert(promote, out), 0);
  EXPECT_EQ(std::vector<int32_t>(out, out + 5), (std::vector<int32_t>{8, 8, 2, 2, 1}));
  const uint32_t gote_drop = board::kInHand | board::square_of(5, 5) << 8 | 0x43u << 16;
  ASSERT_EQ(computer_yosoku_convert(gote_drop, out), 0);
  EXPECT_EQ(std::vector<int32_t>(out, out + 5), (std::vector<int32_t>{12, model::kKin, 5, 5, 0}));
  EXPECT_EQ(computer_yosoku_convert(253, out), -1);
}

}  // namespace
}  // namespace driver
