// The depth-selected generator on positions reached by random legal play
// (handicaps, full hands with drops and promotions, kings in the middle, on
// the edge and absent), for every level 0..6 with the accept word off and on,
// in every exchange mode: the rules every list keeps, and the twin of each
// position (turned, sides exchanged) gives the turned list except where a
// fixed order breaks a tie.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/board/move_legality.h"
#include "engine/board/threat_kind.h"
#include "engine/search/depth_gen/gen_by_depth.h"
#include "engine/search/depth_gen/gen_captures.h"
#include "engine/search/depth_gen/gen_checks.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/move_sets.h"
#include "tests/engine/board/turned_twin.h"
#include "tests/engine/search/depth_gen/depth_gen_setup.h"

namespace search {
namespace {

using board::KMove;
using board::KPosition;
using board::testing::name;
using board::testing::turned_name;

constexpr int kPositions = 1500;
constexpr int kMaxGamePlies = 120;
constexpr int kMaxLevel = 6;

struct Node {
  KPosition before;  // the position the last move was played on
  KMove history[2];  // the mover's move before, the opponent's last move
  uint32_t word;     // the threat word when the accept test is on
};

// The silver's unpromoted twin of a promoting move, written without the
// accept test when a big enemy piece stands diagonally behind its square.
bool silver_twin(const KPosition& p, const KMove& m) {
  if (m.from == board::kInHand || m.promote || board::code_class(m.code) != board::kSilver) return false;
  const int s = p.teban;
  if (!board::in_camp(s, m.from) && !board::in_camp(s, m.to)) return false;
  for (int q : {m.to - board::forward_step(s) - 1, m.to - board::forward_step(s) + 1}) {
    const int n = p.board[q];
    if (n >= board::kPieceCount || !(p.piece[n].code & board::side_bit(1 - s))) continue;
    const int cls = board::code_class(p.piece[n].code);
    if (cls == board::kKing || cls == board::kRook || cls == board::kBishop || cls == board::kGold ||
        cls == board::kDragon || cls == board::kHorse) {
      return true;
    }
  }
  return false;
}

bool accepted(const KPosition& p, const KMove* last, int n, const KMove& m) {
  const int drop = m.from == board::kInHand;
  if (n <= 0) {
    return drop ? board::sashite_threat_kind2(p, -1, board::code_kind(m.code), 0, m.to)
                : board::sashite_threat_kind2(p, m.piece, m.code, m.promote, m.to);
  }
  return board::sashite_threat_kind(p, last, m.piece, m.promote, drop, m.to, n) != 0 || silver_twin(p, m);
}

// The rules every list keeps.
void check_list(const KPosition& p, const KMove* last, int n, uint32_t accept, const KSearchedSet& set,
                const std::vector<KMove>& moves) {
  const int s = p.teban;
  std::set<uint64_t> seen;
  bool past_king = false, in_drops = false;
  int record = 0;
  for (const KMove& m : moves) {
    const std::string label = board::testing::key_name(board::testing::move_key(m));
    ASSERT_EQ(board::sashite_is_legal(p, m), 1) << label;
    EXPECT_TRUE(seen.insert(name(m)).second) << "repeated " << label;
    EXPECT_FALSE(tried_moves_contains(set, board::move_word(m))) << "searched " << label;
    if (accept) {
      EXPECT_TRUE(accepted(p, last, n, m)) << "not accepted " << label;
    }
    if (m.from != board::kInHand) {
      EXPECT_TRUE(m.promote || board::may_stay_unpromoted(m.code, m.to)) << label;
      EXPECT_FALSE(!m.promote && board::code_class(m.code) == board::kPawn && board::in_camp(s, m.to)) << label;
      EXPECT_TRUE(!m.promote || (board::can_promote(m.code) && (board::in_camp(s, m.from) || board::in_camp(s, m.to))))
          << label;
    }
    if (n < 2) continue;
    // The own king first, the drops last in the order of first proposal.
    const bool king = m.piece == s && m.from != board::kInHand;
    EXPECT_FALSE(king && past_king) << "king move after others: " << label;
    past_king = past_king || !king;
    EXPECT_FALSE(in_drops && m.from != board::kInHand) << "board move after drops: " << label;
    if (m.from == board::kInHand) {
      in_drops = true;
      while (record < testing::test_stamp().record_count &&
             (testing::test_stamp().record[record].piece != m.piece || testing::test_stamp().record[record].square != m.to)) {
        ++record;
      }
      EXPECT_LT(record, testing::test_stamp().record_count) << "drop out of proposal order: " << label;
    }
  }
}

std::vector<KMove> generate(const KPosition& p, const KMove* last, int n, uint32_t accept, const KSearchedSet& set) {
  std::vector<KMove> out(board::kMaxMoves);
  out.resize(sashite_gen_by_depth(testing::test_stamp(), p, last, n, accept, set, out.data()));
  return out;
}

// The drops the call proposed, by kind and square (the twin's turned back).
std::set<uint64_t> proposed_drops(const KPosition& p, bool turn) {
  std::set<uint64_t> v;
  for (int r = 0; r < testing::test_stamp().record_count; ++r) {
    const KGenRecord& rec = testing::test_stamp().record[r];
    if (p.piece[rec.piece].sq != board::kInHand) continue;
    const int sq = turn ? board::turned_square(rec.square) : rec.square;
    v.insert(static_cast<uint64_t>(board::number_kind(rec.piece)) << 8 | static_cast<uint64_t>(sq));
  }
  return v;
}

// A quiet slider move judged by the threats on its two crossing lines, one of
// which ends at an enemy piece: the lines are looked at in a fixed order, and
// a line may decide at once (the enemy king writes a bishop's move, an enemy
// bishop skips it) or count only while nothing was counted before (the camp
// walks), so the line looked at first can decide.
bool crossing_line_order(const KPosition& p, const KMove& m) {
  const int cls = board::code_class(m.code);
  const bool rook = cls == board::kRook || cls == board::kDragon;
  if ((!rook && cls != board::kBishop && cls != board::kHorse) || m.captured_code) return false;
  const int dir = board::line_direction(m.from, m.to);
  if (dir == 0) return false;
  int across = (dir == 15 || dir == -15) ? 17 : 15;
  if (rook) across = (dir == 1 || dir == -1) ? 16 : 1;
  bool enemy = false;
  for (int a : {across, -across}) {
    int q = m.to + a;
    while (p.board[q] == board::kEmptyNumber) q += a;
    const int n = p.board[q];
    enemy = enemy || (n < board::kPieceCount && (p.piece[n].code & board::side_bit(1 - p.teban)));
  }
  return enemy;
}

// A move (named from the twin's side when `turn`) whose presence a fixed
// order decides: the capture generator's best bishop square in the camp (the
// first square scanned wins a tie), the check generator's knight, which stops
// after its first promotion (the lower file first), and a drop both twins
// proposed but whose weak and plain proposals of different tags met in a fixed
// order (the king's neighbours, the camp squares by file), and a quiet slider
// move whose crossing lines are judged in a fixed order.
bool order_tie(const KPosition& p, int n, const KMove& m, bool on_twin, const std::set<uint64_t>& mine,
               const std::set<uint64_t>& theirs) {
  const int s = p.teban;
  const int cls = board::code_class(m.code);
  if (m.from == board::kInHand) {
    const int sq = on_twin ? board::turned_square(m.to) : m.to;
    const uint64_t key = uint64_t{static_cast<uint64_t>(board::code_kind(m.code))} << 8 | static_cast<uint64_t>(sq);
    return n >= 2 && mine.count(key) && theirs.count(key);
  }
  if (n <= 0) return cls == board::kBishop && m.promote && board::in_camp(s, m.from);
  if (n == 1 && cls == board::kKnight && board::in_camp(s, m.to)) return true;
  return n >= 1 && crossing_line_order(p, m);
}

class DepthGenRandom : public testing::DepthGenTest {};

TEST_F(DepthGenRandom, KeepsItsRulesAndTurnsWithTheTwin) {
  std::vector<model::Kyokumen> starts = board::testing::handicap_starts(
      {model::kHirate, model::kKakuOchi, model::kRokumaiOchi, model::kNoSenteKing});
  starts.push_back(board::testing::kings_and_hands(board::testing::kHalfOfEveryPiece,
                                                   board::testing::kHalfOfEveryPiece, 58, 52));
  starts.push_back(board::testing::kings_and_hands(board::testing::kHalfOfEveryPiece,
                                                   board::testing::kHalfOfEveryPiece, 19, 91));
  std::mt19937 rng(8128);
  std::set<uint32_t> generations;
  static KGenStamp table_before;
  board::KMoveWord searched_words[board::kMaxMoves];
  uint32_t stamp = 1;
  size_t written = 0, drops = 0;
  int positions = 0;
  for (int game = 0; positions < kPositions; ++game) {
    model::Kyokumen k;
    k.Copy(starts[game % starts.size()]);
    Node node{};
    ASSERT_EQ(bridge::position_load(node.before, k), 0);
    node.history[0] = node.history[1] = board::pass_move();
    for (int ply = 0; ply < kMaxGamePlies && positions < kPositions; ++ply) {
      KPosition p;
      Enter(p, node.before, node.history);
      const int stage = positions % 3;
      Mode(stage);
      if (ply >= 6 && ply % 3 == 0) {
        ++positions;
        const KMove* last = &node.history[1];
        node.word = static_cast<uint32_t>(board::square_of(1 + rng() % 9, 1 + rng() % 9) |
                                          board::square_of(1 + rng() % 9, 1 + rng() % 9) << 8) |
                    (1 + rng() % 7) << 16 | (1 + rng() % 9) << 24;
        KSearchedSet none{};
        none.stamp = ++stamp;
        std::map<std::pair<int, int>, std::vector<KMove>> mine;
        std::map<int, std::set<uint64_t>> my_proposals;
        for (int n = -1; n <= kMaxLevel; ++n) {
          SCOPED_TRACE("game " + std::to_string(game) + " ply " + std::to_string(ply) + " n " + std::to_string(n));
          if (n <= 0) std::memcpy(&table_before, &testing::test_stamp(), sizeof(KGenStamp));
          const std::vector<KMove> all = generate(p, last, n, 0, none);
          if (n <= 0) {
            EXPECT_EQ(std::memcmp(&table_before, &testing::test_stamp(), sizeof(KGenStamp)), 0) << "table touched";
          } else {
            EXPECT_TRUE(generations.insert(testing::test_stamp().generation).second) << "generation reused";
          }
          my_proposals[n] = proposed_drops(p, false);
          check_list(p, last, n, 0, none, all);
          written += all.size();
          for (const KMove& m : all) drops += m.from == board::kInHand;
          // The capture and check generators' own output.
          std::vector<KMove> direct(board::kMaxMoves);
          if (n <= 1) {
            direct.resize(n <= 0 ? sashite_gen_captures(p, last, last, last - 1, 0, none, direct.data())
                                 : sashite_gen_checks(testing::test_stamp(), p, last, 0, none, direct.data()));
            EXPECT_EQ(board::testing::sorted_keys(direct), board::testing::sorted_keys(all));
          }
          // Every other move searched; then the accept word on.
          KSearchedSet half{};
          half.stamp = ++stamp;
          half.list = searched_words;
          for (size_t i = 0; i < all.size(); i += 2) tried_moves_add(half, board::move_word(all[i]));
          check_list(p, last, n, 0, half, generate(p, last, n, 0, half));
          board::think_board.generator_words.threat_word = node.word;
          const std::vector<KMove> filtered = generate(p, last, n, node.word, none);
          check_list(p, last, n, node.word, none, filtered);
          board::think_board.generator_words.threat_word = 0;
          mine[{n, 0}] = all;
          mine[{n, 1}] = filtered;
          if (::testing::Test::HasFatalFailure()) return;
        }
        // The twin.
        const KPosition twin_before = board::testing::turned(node.before);
        KMove twin_history[2] = {node.history[0], node.history[1]};
        for (KMove& m : twin_history) {
          if (m.from == board::kPassSquare) continue;
          if (m.from != board::kInHand) m.from = static_cast<uint8_t>(board::turned_square(m.from));
          m.to = static_cast<uint8_t>(board::turned_square(m.to));
          m.piece = static_cast<uint8_t>(board::testing::twin_number(m.piece));
          m.code ^= board::kSenteBit | board::kGoteBit;
          if (m.captured_code) m.captured_code ^= board::kSenteBit | board::kGoteBit;
        }
        // The twin's drop takes the piece its own hand stack gives.
        if (twin_history[1].from == board::kInHand) {
          board::write_drop(twin_history[1], twin_before, board::code_kind(twin_history[1].code), twin_history[1].to);
        }
        KPosition q;
        Enter(q, twin_before, twin_history);
        const uint32_t a = node.word & 0xff, b = (node.word >> 8) & 0xff, f = node.word >> 24;
        const uint32_t twin_word = board::turned_square(a) | board::turned_square(b) << 8 | (node.word & 0xff0000u) |
                                   (10 - f) << 24;
        for (int n = -1; n <= kMaxLevel; ++n) {
          for (int on = 0; on < 2; ++on) {
            board::think_board.generator_words.threat_word = on ? twin_word : 0;
            const std::vector<KMove> theirs =
                generate(q, &twin_history[1], n, board::think_board.generator_words.threat_word, none);
            board::think_board.generator_words.threat_word = 0;
            const std::set<uint64_t> their_proposals = proposed_drops(q, true);
            std::map<uint64_t, const KMove*> a_side, b_side;
            for (const KMove& m : mine[{n, on}]) a_side[turned_name(m)] = &m;
            for (const KMove& m : theirs) b_side[name(m)] = &m;
            for (const auto& [key, m] : a_side) {
              EXPECT_TRUE(b_side.count(key) || order_tie(p, n, *m, false, my_proposals[n], their_proposals))
                  << "n " << n << " accept " << on << " only on the position: " << board::testing::key_name(board::testing::move_key(*m));
            }
            for (const auto& [key, m] : b_side) {
              EXPECT_TRUE(a_side.count(key) || order_tie(q, n, *m, true, my_proposals[n], their_proposals))
                  << "n " << n << " accept " << on << " only on the twin: " << board::testing::key_name(board::testing::move_key(*m));
            }
          }
        }
        if (::testing::Test::HasFailure()) FAIL() << "game " << game << " ply " << ply;
      }
      model::Sashite moves[model::kMaxSashite];
      const int count = board::testing::random_legal_moves(k, rng, moves, 40);
      if (count == 0) break;
      model::Sashite next = moves[0];
      for (int i = 0; i < count; ++i) {
        if (moves[i].tori.code != 0 && rng() % 2) next = moves[i];  // captures build target lists and hands
      }
      KMove m;
      ASSERT_EQ(bridge::sashite_to_kmove(m, p, next), 0);
      std::memcpy(&node.before, &p, sizeof p);
      ASSERT_TRUE(k.DoSashite(next));
      node.history[0] = node.history[1];
      node.history[1] = m;
    }
  }
  EXPECT_GT(written, 0u);
  EXPECT_GT(drops, 0u);
}

}  // namespace
}  // namespace search
