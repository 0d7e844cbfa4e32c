#include "engine/search/root_list.h"

#include <cstdint>

#include "engine/board/check_test.h"
#include "engine/board/move_legality.h"
#include "engine/board/move_rules.h"

namespace search {

namespace {

using board::KMove;

constexpr int kRankBase = 31000;
constexpr uint8_t kNoFrom = BestRootEntry::kNoFrom;

// Links `node` in behind `after` (both in the list, node already unlinked).
void link_behind(KMoveNode* node, KMoveNode* after) {
  node->prev = after;
  node->next = after->next;
  if (after->next) after->next->prev = node;
  after->next = node;
}

void unlink(KMoveNode* node) {
  if (node->prev) node->prev->next = node->next;
  if (node->next) node->next->prev = node->prev;
  node->prev = node->next = nullptr;
}

bool is_lance_drop(const KMove& m) {
  return m.from == board::kInHand && board::code_kind(m.code) == board::kLance;
}

// The node a lance drop on q goes behind, or null.
KMoveNode* lance_twin(const board::KPosition& p, const KMoveNode* node) {
  const int s = p.teban, q = node->move->to, f = board::forward_step(s);
  if (!board::holds_piece_of(p, 1 - s, q + f)) return nullptr;
  int stop = q - f;
  if (board::is_playing_square(stop) && p.board[stop] != board::kEmptyNumber) return nullptr;
  while (board::is_playing_square(stop) && p.board[stop] == board::kEmptyNumber) stop -= f;
  KMoveNode* twin = nullptr;
  for (KMoveNode* n = node->next; n != nullptr; n = n->next) {
    const KMove& m = *n->move;
    if (!is_lance_drop(m) || board::square_file(m.to) != board::square_file(q)) continue;
    // Further back than q, and in front of the first occupied square behind it.
    const int back = (m.to - q) * -f;
    const int limit = (stop - q) * -f;
    if (back > 0 && back < limit) twin = n;
  }
  return twin;
}

bool is_rook_lift(const KMove& m, int s, const int (&ranks)[2][3], bool target) {
  const int cls = board::code_class(m.code);
  if (m.from == board::kInHand || m.from == board::kPassSquare || m.captured_code != 0) return false;
  if (cls != board::kRook && cls != board::kDragon) return false;
  if (board::square_file(m.from) != board::square_file(m.to)) return false;
  const int rank = board::square_rank(m.to);
  if (!target) return rank == (s == 0 ? 7 : 3);
  for (int r : ranks[s]) {
    if (rank == r) return true;
  }
  return false;
}

KMoveNode* rook_twin(const board::KPosition& p, const KMoveNode* node) {
  static constexpr int kSafeRanks[2][3] = {{6, 8, 9}, {4, 2, 1}};
  const int s = p.teban;
  const KMove& lift = *node->move;
  if (!is_rook_lift(lift, s, kSafeRanks, false)) return nullptr;
  KMoveNode* twin = nullptr;
  for (KMoveNode* n = node->next; n != nullptr; n = n->next) {
    const KMove& m = *n->move;
    if (m.piece == lift.piece && is_rook_lift(m, s, kSafeRanks, true) &&
        board::kiki_at(p, m.to).direct_count[1 - s] == 0) {
      twin = n;
    }
  }
  return twin;
}

}  // namespace

namespace {

// Lists up to this long are sorted by counting ranks; the lists of the node
// and quiescence searches hold at most a few dozen moves.
constexpr int kRankSortMax = 64;
// Keys are compared in groups of this many (a multiple of the vector width).
constexpr int kRankGroup = 8;

// The stable insertion sort along the links, for lists too long to rank.
KMoveNode* insertion_sort(KMoveNode* head) {
  KMoveNode* sorted = nullptr;
  KMoveNode* tail = nullptr;
  for (KMoveNode* n = head; n != nullptr;) {
    KMoveNode* next = n->next;
    // Behind the last node scored at least as high.
    KMoveNode* after = tail;
    while (after != nullptr && after->score < n->score) after = after->prev;
    if (after == nullptr) {
      n->prev = nullptr;
      n->next = sorted;
      if (sorted) sorted->prev = n;
      sorted = n;
      if (tail == nullptr) tail = n;
    } else {
      n->prev = after;
      n->next = after->next;
      if (after->next) after->next->prev = n;
      after->next = n;
      if (after == tail) tail = n;
    }
    n = next;
  }
  return sorted;
}

}  // namespace

// A node's place is the number of nodes scored above it, plus the number of
// nodes with its score met before it in the list, so equal scores keep their
// order. Counting compares every pair of scores without a branch on them,
// where the insertion sort's walk back along the links stops at a point the
// processor cannot foresee.
KMoveNode* sashite_list_sort(KMoveNode* head) {
  KMoveNode* nodes[kRankSortMax];
  alignas(16) int16_t scores[kRankSortMax + kRankGroup];
  int n = 0;
  for (KMoveNode* x = head; x != nullptr; x = x->next, ++n) {
    if (n == kRankSortMax) return insertion_sort(head);
    nodes[n] = x;
    scores[n] = x->score;
  }
  if (n == 0) return nullptr;
  // Above no score, so the padding of the last group never counts.
  for (int j = 0; j < kRankGroup; ++j) scores[n + j] = INT16_MIN;
  const int groups = (n + kRankGroup - 1) / kRankGroup;
  // ties[r]: the nodes already placed from place r on with r nodes above them.
  uint8_t ties[kRankSortMax] = {};
  // Every place from 0 to n - 1 is taken exactly once below, but the compiler
  // cannot see that; clearing the array first costs a few wide stores.
  KMoveNode* placed[kRankSortMax] = {};
  for (int i = 0; i < n; ++i) {
    const int16_t score = scores[i];
    int16_t above = 0;
    for (int g = 0; g < groups; ++g) {
      const int16_t* group = scores + g * kRankGroup;
      for (int j = 0; j < kRankGroup; ++j) above = static_cast<int16_t>(above + (group[j] > score ? 1 : 0));
    }
    placed[above + ties[above]++] = nodes[i];
  }
  placed[0]->prev = nullptr;
  for (int r = 1; r < n; ++r) {
    placed[r - 1]->next = placed[r];
    placed[r]->prev = placed[r - 1];
  }
  placed[n - 1]->next = nullptr;
  return placed[0];
}

void root_moves_rank(KMoveNode* head) {
  int count = 0;
  for (KMoveNode* n = head; n != nullptr; n = n->next) ++count;
  int score = count - kRankBase;
  for (KMoveNode* n = head; n != nullptr; n = n->next) n->score = static_cast<int16_t>(score--);
}

KMoveNode* root_moves_remove_marked(KMoveNode* head) {
  for (KMoveNode* n = head; n != nullptr;) {
    KMoveNode* next = n->next;
    if (n->score == kUnsearchedScore) head = root_node_unlink(n, head);
    n = next;
  }
  return head;
}

KMoveNode* root_node_unlink(KMoveNode* node, KMoveNode* head) {
  if (node == head) head = node->next;
  unlink(node);
  return head;
}

KMoveNode* root_moves_drop_pawn_rejects(const board::KPosition& p, KMoveNode* head, KMoveNode* first, int depth) {
  for (KMoveNode* n = first; n != nullptr;) {
    KMoveNode* next = n->next;
    if (board::kyo_sashite_test(p, *n->move, depth) != 0) head = root_node_unlink(n, head);
    n = next;
  }
  return head;
}

int root_moves_count(const board::KPosition& p, KMoveNode* head, int depth) {
  if (head == nullptr) return 0;
  head = root_moves_drop_pawn_rejects(p, head, head->next, depth);
  int count = 0;
  for (KMoveNode* n = head; n != nullptr && count < kRootCountCap; n = n->next) ++count;
  return count;
}

KMoveNode* root_move_to_front(KMoveNode* node, KMoveNode* head) {
  if (node == head) return head;
  unlink(node);
  node->next = head;
  if (head) head->prev = node;
  return node;
}

uint32_t sum_from(const KPvHolder& line, int i) {
  uint32_t sum = 0;
  for (int j = i; j <= line.length && j < KPvHolder::kMaxMoves; ++j) sum += line.moves[j];
  return sum;
}

void root_window_init(int* alpha, int* beta) {
  *alpha = -32766;
  *beta = 32766;
}

void root_moves_filter(const board::KPosition& p, KMoveNode* first) {
  for (KMoveNode* n = first; n != nullptr;) {
    KMoveNode* next = n->next;
    KMoveNode* twin = is_lance_drop(*n->move) ? lance_twin(p, n) : rook_twin(p, n);
    if (twin != nullptr) {
      unlink(n);
      link_behind(n, twin);
    }
    n = next;
  }
}

void best_move_clear(BestRootEntry& best) {
  best.move.from = kNoFrom;
  best.node.score = kUnsearchedScore;
}

void best_move_set(BestRootEntry& best, const KMove& m) { best.move = m; }

int best_move_get(const BestRootEntry& best, KMove* out) {
  if (best.move.from == kNoFrom) return 0;
  *out = best.move;
  return 1;
}

int16_t best_score_get(const BestRootEntry& best) { return best.node.score; }

void best_line_set(BestRootEntry& best, int score, const KMoveNode& node) {
  best.node = node;
  best.node.score = static_cast<int16_t>(score);
}

int move_needs_full_search(const board::KPosition& p, const KMove& m) {
  if (board::king_attacked(p, p.teban)) return 1;
  if (board::is_oute(p, m) == 0) return 1;
  return m.captured_code != 0 && board::code_class(m.captured_code) != board::kPawn ? 1 : 0;
}

}  // namespace search
