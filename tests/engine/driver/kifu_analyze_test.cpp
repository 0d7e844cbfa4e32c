// The post-game commentary: verdict texts and swings pinned on the judging
// functions, and whole paragraphs on small records whose values and
// principal variations are set by hand (sente is the player, gote the
// computer; the exchange mode word, the strategy state and the ending counter
// are set by the fixture).
#include "engine/driver/kifu_analyze.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "engine/board/ply_table.h"
#include "engine/board/think_board.h"
#include "engine/bridge/position_bridge.h"
#include "engine/driver/commentary_judge.h"
#include "engine/eval/root_modes.h"
#include "tests/model/position/position_builder.h"
#include "tests/model/record/kifu_test_util.h"

namespace driver {
namespace {

using model::testing::gote;
using model::testing::k34;
using model::testing::k76;
using model::testing::put;
using model::testing::Squares;

TEST(CommentaryJudge, SwingsAndVerdicts) {
  using Swing = std::tuple<int64_t, int64_t, bool, int>;  // before, after, strict, swing
  for (const auto& [b, a, strict, want] :
       {Swing{100, -100, false, -100}, Swing{50, 10, false, -20}, Swing{0, -29, false, 0}, Swing{0, -50, true, 0},
        Swing{0, -50, false, -25}, Swing{-1400, -1500, false, 0}, Swing{kNoScore, 0, false, 0},
        Swing{400, 200, false, -50}}) {
    EXPECT_EQ(commentary_swing(b, a, strict), want) << b << " " << a;
  }
  const int64_t later[] = {0, 0, 0, -300, 0, 0, -280, 0, 200};
  EXPECT_EQ(commentary_reliability(later, 9, 2, -100), 45);  // no swing at 4 (x0.9), opposite at 8 (x0.5)

  // s1, before, after, s2, reliability, text, code
  const std::tuple<int, int64_t, int64_t, int, int, const char*, int> kRows[] = {
      {-90, 0, -300, 0, 100, "後の展開を見ると", 1},
      {-90, 0, -300, -5, 100, "後の進行を考えると", 1},
      {-90, 1, 600, -90, 90, "悪手で少し怪しくなりました。", 0},
      {-90, 2, 600, -90, 90, "悪手で少し私に希望が出てきたと思いました。", 0},
      {-90, 1001, 0, -90, 90, "勝勢をふいにする悪手でした。", 0},
      {-90, 0, 100, -90, 90, "悪手でした。", 0},
      {-90, 600, 0, -90, 60, "優勢をふいにする悪手だったかもしれません。", 0},
      {-90, 0, 100, -90, 60, "悪手だったかもしれません。", 0},
      {-90, 300, 0, -90, 50, "指しやすさをふいにする悪手かと思いましたが、この後うまく指されました。", 0},
      {-90, 0, 100, -90, 50, "悪手かと思いましたが、この後うまく指されました。", 0},
      {-60, 0, -300, 0, 100, "後の展開を見ると", 1},
      {-60, 0, -300, -5, 100, "以下の進行を考えると", 1},
      {-60, -300, -500, -60, 90, "形勢をさらに悪化させる疑問手でした。", 2},
      {-60, 0, -300, -60, 90, "疑問手で少し形勢を損ねました。", 0},
      {-60, 300, 150, -60, 90, "疑問手で少し差が詰まりました。", 0},
      {-60, 100, 50, -60, 90, "疑問手でした。", 0},
      {-60, -300, -500, -60, 60, "形勢をさらに悪化させる疑問手だったかもしれません。", 2},
      {-60, -600, -900, -60, 60, "疑問手だったかもしれません。", 0},
      {-60, 1, 0, -60, 50, "指された時は疑問手かと思いましたが、その後うまく指されました。", 3},
      {-60, 0, 0, -60, 50, "指された時は少しありがたいと思いましたが、そうではなかったようです。", 3},
      {-40, 0, 0, 0, 50, "後の進行を考えると少し疑問だったのかもしれません。", 2},
      {-40, -300, 0, -1, 90, "少し粘りを欠きました。", 2},
      {-40, 1, 0, -1, 90, "少し疑問でした。", 2},
      {-40, 0, 0, -1, 90, "あまり良くありませんでした。", 2},
      {-40, 1, 0, -1, 60, "少し疑問だったかもしれません。", 2},
      {-40, 0, 0, -1, 60, "あまり良くなかったかもしれません。", 2},
      {-40, 1, 0, -1, 50, "指された時は少し疑問かと思いましたが、その後うまく指されました。", 3},
      {-40, 0, 0, -1, 50, "指された時は少しありがたいと思いましたが、この後うまく指されました。", 3},
      {-25, 0, 0, 0, 50, "ここからの進行を見ると微妙に疑問だったかもしれません。", 2},
      {-25, -201, 0, -1, 90, "少し粘りを欠いたかもしれません。", 2},
      {-25, 1, 0, -1, 90, "わずかに疑問手だったかもしれません。", 2},
      {-25, 0, 0, -1, 90, "少しだけ損な手だったかもしれません。", 2},
      {-25, 0, 0, -1, 80, "", 0}};
  for (const auto& [s1, before, after, s2, r, a, code] : kRows) {
    const Verdict v = commentary_verdict(s1, before, after, s2, r);
    EXPECT_EQ(v.a, a) << s1 << " " << before;
    EXPECT_EQ(v.code, code) << s1 << " " << before;
  }
}

// A blunder that gives away a lead names the lead with を in every
// reliability band: "勝勢をふいにする", never "勝勢ふいにする".
TEST(CommentaryJudge, AThrownAwayLeadIsNamedWithWoAtEveryReliability) {
  for (const int64_t before : {300, 600, 1001}) {
    for (const int r : {90, 60, 50}) {
      const std::string a = commentary_verdict(-90, before, 0, -90, r).a;
      const size_t at = a.find("ふいにする");
      ASSERT_NE(at, std::string::npos) << before << " " << r;
      ASSERT_GE(at, std::string("を").size());
      EXPECT_EQ(a.substr(at - std::string("を").size(), std::string("を").size()), "を") << a;
    }
  }
}

TEST(CommentaryJudge, SituationClausesRotateTheirEndings) {
  CommentaryEnding ending;
  using Clause = std::tuple<int64_t, bool, const char*>;
  const Clause kClauses[] = {{-501, true, "、悪いながらもまだ容易でない展開が続いていたのではないかと思います。"},
                             {-501, false, "、少々悪い程度だったかと思います。"},
                             {-300, true, "、少々悪い程度でこれからの勝負だったのではないでしょうか？"},
                             {1, true, "ほぼ互角の勝負が続いていたのではないかと思います。"},
                             {0, true, "これからの勝負だったかと思います。"},
                             {0, false, "ほぼ互角だったのではないでしょうか？"},
                             {200, true, "、むしろあなたの方が指しやすい局面だったのではないかと思います。"},
                             {500, false, "あなたがはっきり優勢だったかと思います。"}};
  for (const auto& [x, sure, want] : kClauses) EXPECT_EQ(commentary_situation(x, sure, ending), want) << x;
}

// The word of a move on a game-model position.
board::KMoveWord word_on(const model::Kyokumen& k, Squares s, int nari = 0) {
  board::KPosition p;
  board::KMove m;
  EXPECT_EQ(bridge::position_load(p, k), 0);
  EXPECT_EQ(bridge::sashite_to_kmove(m, p, model::testing::move(k, s[0], s[1], s[2], s[3], nari)), 0);
  return board::move_word(m);
}

// Records built move by move, each with its analysed value (sente's view)
// and principal variation.
class Review : public ::testing::Test {
 protected:
  void SetUp() override {
    board::KPosition p;
    ASSERT_EQ(bridge::position_load(p, model::testing::initial(0)), 0);
    const int32_t codes[2] = {0, 0};
    board::think_board.generator_words.game_stage = 0;
    eval::eval_setup_stage(p, 0, codes);
    eval::eval_root_prepare(p, codes, 0);
    ending_ = CommentaryEnding{};
  }
  void Start(const model::Kyokumen& k) {
    ASSERT_TRUE(kifu_.SetStartPosition(k));
    at_ = kifu_.Start();
  }
  void Add(Squares s, int32_t value = model::KifuHyouka::kNoValue, std::vector<board::KMoveWord> pv = {},
           int nari = 0) {
    model::KifuHyouka h;
    h.value = value;
    h.pv = std::move(pv);
    const model::Sashite m = model::testing::move(at_->kyokumen, s[0], s[1], s[2], s[3], nari);
    model::KifuSashite* node = model::Kifu::AddSashiteAtPos(at_, m, 0, &h, -1, kifu_.table.get(), 1, true);
    ASSERT_NE(node, nullptr);
    at_ = node->to;
  }
  // Gote plays c0 expecting e (0: no variation), sente plays j, gote answers
  // with the first of `line` (the variation recorded there); the values fall
  // from 0 to -200.
  std::string Scene(const model::Kyokumen& k, Squares c0, Squares e, Squares j, std::vector<Squares> line,
                    int j_nari = 0) {
    Start(k);
    model::Kyokumen after_c0 = k;
    after_c0.DoSashite(model::testing::move(k, c0[0], c0[1], c0[2], c0[3]));
    std::vector<board::KMoveWord> pv0 = {word_on(k, c0)};
    if (e[0] != 0) pv0.push_back(word_on(after_c0, e));
    Add(c0, before_, pv0);
    Add(j, model::KifuHyouka::kNoValue, {}, j_nari);
    model::Kyokumen walk = at_->kyokumen;
    std::vector<board::KMoveWord> pv;
    for (const Squares& s : line) {
      pv.push_back(word_on(walk, s));
      walk.DoSashite(model::testing::move(walk, s[0], s[1], s[2], s[3]));
    }
    Add(line.at(0), after_, pv);
    return Text(0);
  }
  std::string Text(int side) {
    model::KString out;
    out.Assign("stale");
    kifu_analyze(side, kifu_.root.get(), out, ending_);
    return out.c_str();
  }

  model::Kifu kifu_;
  CommentaryEnding ending_;
  model::KifuKyokumen* at_ = nullptr;
  int32_t before_ = 0;
  int32_t after_ = -200;
};

// Kings on 5九 and 5一, gote's pawn on 1三 and the listed pieces; one piece
// of each listed type in sente's hand; gote to move.
model::Kyokumen scene(std::initializer_list<std::array<int, 3>> pieces, std::initializer_list<int> hand = {}) {
  model::Kyokumen k = model::testing::kings_only();
  put(k, 1, 3, gote(model::kFu));
  for (const auto& p : pieces) put(k, p[0], p[1], p[2]);
  for (int type : hand) k.mochigoma[0][type] = 1;
  k.teban = 1;
  return k;
}

constexpr Squares kNone = {0, 0, 0, 0};
constexpr Squares kWait = {1, 3, 1, 4};  // gote's pawn on 1三 steps up
constexpr Squares kKingUp = {5, 9, 5, 8};

TEST_F(Review, Motifs) {
  using model::kFu, model::kGin, model::kKin, model::kKei, model::kHi, model::kKaku;
  const int gp = gote(kFu);
  struct Case {
    model::Kyokumen start;
    Squares e, j;
    std::vector<Squares> line;
    int j_nari;
  };
  const std::vector<Squares> back = {{4, 4, 5, 5}, {5, 9, 4, 8}, {5, 5, 4, 4}};
  const model::Kyokumen with_pawn = scene({{5, 5, kGin}, {5, 4, gp}, {3, 3, gote(kKin)}}, {kFu});
  const Case kCases[] = {
      // A checking silver taken on its square (code 3).
      {scene({{6, 1, gote(kKin)}, {4, 3, kGin}}), kKingUp, {4, 3, 5, 2}, {{6, 1, 5, 2}}, 1},
      // The same silver not promoting is no generated check (code 4).
      {scene({{6, 1, gote(kKin)}, {4, 3, kGin}}), kKingUp, {4, 3, 5, 2}, {{6, 1, 5, 2}}, 0},
      // A pawn dropped where it is lost while the silver the computer expected
      // to step away is taken (code 1).
      {with_pawn, {5, 5, 4, 6}, {11, kFu, 3, 4}, {{5, 4, 5, 5}}, 0},
      // A rook won by a silver (trap capture).
      {scene({{4, 4, gote(kHi)}, {4, 5, kGin}}), kKingUp, {4, 5, 4, 4}, {{5, 1, 5, 2}}, 0},
      // A pawn exchange on 5五 answered by a silver from behind, and with the
      // silver stepping back later in the line.
      {scene({{5, 5, gp}, {5, 6, kFu}, {4, 4, gote(kGin)}}), kKingUp, {5, 6, 5, 5}, {{4, 4, 5, 5}}, 0},
      {scene({{5, 5, gp}, {5, 6, kFu}, {4, 4, gote(kGin)}}), kKingUp, {5, 6, 5, 5}, back, 0},
      // A knight up behind its pawn, the pawn's head attacked.
      {scene({{8, 9, kKei}, {7, 6, kFu}, {7, 4, gp}}), kKingUp, {8, 9, 7, 7}, {{7, 4, 7, 5}}, 0},
      // A pawn push against the enemy pawn backed by a knight.
      {scene({{5, 6, kFu}, {5, 4, gp}, {4, 7, kKei}}), kKingUp, {5, 6, 5, 5}, {{5, 4, 5, 5}}, 0},
      // A bishop dropped in the own camp.
      {scene({}, {kKaku}), kKingUp, {11, kKaku, 5, 7}, {{5, 1, 5, 2}}, 0}};
  const char* kWant[] = {
      "2手目 ▲５二銀成は少々乱暴な悪手でした。\r\nここでは▲５八玉と早逃げすればこれからの勝負だった"
      "のではないかと思います。",
      "2手目 ▲５二銀不成は少々意味不明な悪手でした。",
      "2手目 ▲３四歩はうっかりかと思いますが駒取りを放置する悪手でした。",
      "2手目 ▲４四銀は駒得になるので取りたくなるところですが、悪手でした。",
      "2手目 ▲５五歩は銀の進出を許す悪手でした。",
      "2手目 ▲５五歩は悪手でした。",
      "2手目 ▲７七桂は桂頭を攻めを喫する悪手でした。",
      "2手目 ▲５五歩は桂馬を使った普通の仕掛けですが、悪手でした。",
      "2手目 ▲５七角は角を自陣に手放す悪手でした。"};
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const Case& c = kCases[i];
    kifu_.ClearMoves();
    const std::string text = Scene(c.start, kWait, c.e, c.j, c.line, c.j_nari);
    // The first case shows the whole paragraph; the others the motif line.
    EXPECT_EQ(i == 0 ? text : text.substr(0, text.find('\r')), std::string(kWant[i]) + (i == 0 ? "\r\n" : "")) << i;
  }
}

TEST_F(Review, Suggestions) {
  using model::kFu, model::kGin, model::kKin;
  const int gp = gote(kFu);
  const model::Kyokumen hands = scene({{9, 7, kFu}, {4, 4, gp}, {4, 5, kGin}, {5, 7, kKin}}, {kFu, kKin});
  model::Kyokumen high = scene({{4, 7, kFu}});
  high.At(5, 9).Set(model::kEmpty);
  high.At(5, 4).Set(model::kOu);
  constexpr Squares kPush = {9, 7, 9, 6};
  // start, values before and after, E, J, the suggestion's start
  const std::tuple<model::Kyokumen, int32_t, int32_t, Squares, Squares, const char*> kCases[] = {
      {hands, 0, -200, {11, kFu, 5, 6}, kPush, "ここでは▲５六歩と打てば"},
      {hands, 0, -200, {11, kFu, 6, 7}, kPush, "ここでは▲６七歩と辛抱しておけば"},
      {hands, 0, -200, {4, 5, 4, 4}, kPush, "ここでは▲４四銀と取っておけば"},
      {hands, -300, -600, {11, kKin, 5, 2}, kPush, "ここでは▲５二金と打って勝負すれば"},
      {hands, 0, -200, {11, kKin, 5, 2}, kPush, "ここでは▲５二金と打てば"},
      {hands, 0, -200, {5, 7, 5, 8}, kPush, "ここでは▲５八金と辛抱しておけば"},
      {hands, 0, -60, {5, 9, 5, 8}, kPush, "あまり自信はありませんが▲５八玉というような手はどうだったでしょうか？"},
      {hands, 1, -60, {4, 5, 4, 4}, kPush, "自信はないのですが▲４四銀と取る手を予想していました。"},
      {high, 0, -200, {5, 4, 5, 3}, {4, 7, 4, 6}, "ここでは▲５三玉と入玉すれば"},
      {high, 0, -200, {5, 4, 5, 3}, {5, 4, 4, 3}, "ここでは▲５三玉と指せば"},
  };
  for (const auto& [start, before, after, e, j, want] : kCases) {
    kifu_.ClearMoves();
    before_ = before, after_ = after;
    const std::string text = Scene(start, kWait, e, j, {{5, 1, 5, 2}});
    const size_t line = text.find("\r\n") + 2;
    EXPECT_EQ(text.substr(line, std::string(want).size()), want) << want;
  }
}

TEST_F(Review, LayoutsAndEdges) {
  // The player left the line the computer expected at move 4 (B falls while
  // A stays): the head goes inside the sentence.
  Start(model::testing::initial(0));
  Add(k76, 0, {word_on(at_->kyokumen, k76)});
  Add(k34);
  Add({2, 7, 2, 6}, 0, {word_on(at_->kyokumen, {2, 7, 2, 6}), word_on(at_->kyokumen, {8, 3, 8, 4})});
  Add({5, 3, 5, 4});
  Add({2, 6, 2, 5}, 0, {word_on(at_->kyokumen, {2, 6, 2, 5}), word_on(at_->kyokumen, {2, 3, 2, 4})});
  Add({2, 3, 2, 4});
  Add({2, 5, 2, 4}, 300);
  EXPECT_EQ(Text(1).substr(0, Text(1).find('\r')),
            "後の展開を見ると4手目 △５四歩あたりが良くなかったのかもしれません。");
  EXPECT_EQ(Text(0), "");  // sente never played into a fall

  // Without a variation there is no motif and no suggestion; with the word
  // 253 (none) a trap capture still gets its phrase.
  const model::Kyokumen trap = scene({{4, 4, gote(model::kHi)}, {4, 5, model::kGin}});
  kifu_.ClearMoves();
  EXPECT_EQ(Scene(trap, kWait, kNone, {4, 5, 4, 4}, {{5, 1, 5, 2}}), "2手目 ▲４四銀は悪手でした。\r\n");
  kifu_.NodeAtTesu(1)->hyouka.pv.push_back(board::kNoMoveWord);
  EXPECT_EQ(Text(0), "2手目 ▲４四銀は駒得になるので取りたくなるところですが、悪手でした。\r\n");
  // A word that does not fit the position counts as none.
  kifu_.NodeAtTesu(1)->hyouka.pv.back() =
      board::kmove_pack(board::square_of(5, 5), board::square_of(5, 4), board::kGold | board::kSenteBit, 0, 0);
  EXPECT_EQ(Text(0), "2手目 ▲４四銀は駒得になるので取りたくなるところですが、悪手でした。\r\n");

  // A fall of 50 counts for the rook numbered 3 (on 9九) but not for number 2.
  const model::Kyokumen rooks = scene({{9, 9, model::kHi}, {1, 9, model::kHi}});
  after_ = -50;
  for (int file : {9, 1}) {
    kifu_.ClearMoves();
    const std::string text = Scene(rooks, kWait, kNone, {file, 9, file, 8}, {{5, 1, 5, 2}});
    EXPECT_EQ(text.empty(), file == 1) << text;
  }
  // A start position the engine refuses gets no review.
  kifu_.ClearMoves();
  Start(scene({{5, 5, model::kOu}}));
  EXPECT_EQ(Text(0), "");
}

// What a think leaves in the engine (its game stage, threat word, strategies
// and per-ply records) does not reach the text: the review judges with words
// it sets itself, so the record alone decides what it says.
TEST_F(Review, TextIgnoresWhatAThinkLeftBehind) {
  using model::kFu, model::kGin, model::kKin, model::kHi;
  const int gp = gote(kFu);
  const model::Kyokumen hands = scene({{9, 7, kFu}, {4, 4, gp}, {4, 5, kGin}, {5, 7, kKin}}, {kFu, kKin});
  constexpr Squares kPush = {9, 7, 9, 6};
  struct Case {
    model::Kyokumen start;
    int32_t before, after;
    Squares e, j;
    std::vector<Squares> line;
    int j_nari;
  };
  // A checking silver taken on its square, a rook won by a silver, and the
  // suggestions that rest on the generator's levels.
  const Case kCases[] = {
      {scene({{6, 1, gote(kKin)}, {4, 3, kGin}}), 0, -200, kKingUp, {4, 3, 5, 2}, {{6, 1, 5, 2}}, 1},
      {scene({{4, 4, gote(kHi)}, {4, 5, kGin}}), 0, -200, kKingUp, {4, 5, 4, 4}, {{5, 1, 5, 2}}, 0},
      {hands, -300, -600, {11, kKin, 5, 2}, kPush, {{5, 1, 5, 2}}, 0},
      {hands, 0, -200, {11, kFu, 5, 6}, kPush, {{5, 1, 5, 2}}, 0},
      {hands, 0, -200, {5, 7, 5, 8}, kPush, {{5, 1, 5, 2}}, 0}};
  const auto texts = [&] {
    std::vector<std::string> out;
    ending_ = CommentaryEnding{};
    for (const Case& c : kCases) {
      kifu_.ClearMoves();
      before_ = c.before, after_ = c.after;
      out.push_back(Scene(c.start, kWait, c.e, c.j, c.line, c.j_nari));
      EXPECT_FALSE(out.back().empty()) << out.size();
    }
    return out;
  };
  const std::vector<std::string> fresh = texts();

  board::KPosition late;
  ASSERT_EQ(bridge::position_load(late, kCases[0].start), 0);
  const int32_t codes[2] = {3, 2};
  eval::eval_root_prepare(late, codes, 0);
  eval::eval_setup_stage(late, 2, codes);
  board::think_board.generator_words.game_stage = 2;
  board::think_board.generator_words.threat_word = 0x3344;
  board::pos_table_init();
  for (int layer = 0; layer < board::kPlyLayers; ++layer) {
    board::ply_list_push(layer, board::square_of(5, 2));
    board::ply_record(layer, board::square_of(5, 2)).change[0] = -1;
  }
  EXPECT_EQ(texts(), fresh);

  // The words back as the other tests of this binary expect them.
  board::think_board.generator_words = board::GeneratorWords{};
  for (uint32_t& head : board::think_board.ply_table.ply_list_head) head = 0;
  board::pos_table_init();
}

// Random words in the variations and values at the extremes: the review
// neither crashes nor changes the record.
TEST_F(Review, SurvivesMutatedAnalyses) {
  std::mt19937 rng(29);
  const Squares kGame[] = {k76,          k34,          {2, 7, 2, 6}, {8, 3, 8, 4}, {2, 6, 2, 5},
                           {8, 4, 8, 5}, {8, 8, 2, 2}, {3, 1, 2, 2}, {1, 7, 1, 6}, {2, 2, 3, 3}};
  const int32_t kExtremes[] = {INT32_MIN, INT32_MAX, -32767, 32766, 0, 1301, -1301};
  for (int round = 0; round < 40; ++round) {
    kifu_.ClearMoves();
    Start(model::testing::initial(0));
    for (const Squares& s : kGame) {
      std::vector<board::KMoveWord> pv(rng() % 6);
      for (board::KMoveWord& w : pv)
        w = rng() % 3 == 0 ? word_on(at_->kyokumen, s) : static_cast<board::KMoveWord>(rng());
      Add(s, kExtremes[rng() % std::size(kExtremes)], pv);
    }
    const std::string sente = Text(0);
    EXPECT_EQ(Text(0), sente);  // unchanged record, same review
    Text(1);
  }
}

}  // namespace
}  // namespace driver
