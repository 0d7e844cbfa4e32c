#include "engine/board/make_move.h"

#include <bit>
#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "engine/board/kiki_update.h"
#include "engine/board/move_tables.h"
#include "engine/board/ply_table.h"
#include "engine/board/step_diff.h"

// How the attack records follow a move. A slider's attacks depend only on what
// stands on the squares its ray walks over, and those squares carry its line
// bit; a move changes the contents of its from- and to-squares only. So the
// attacks that change are those of the mover, of the captured piece and of the
// sliders in the line sets of the two squares. Each of those rays stays as it
// is up to the first of the two squares it passes; its part past that square is
// taken off while the board still shows the old contents, the board changes,
// and that part is walked again. Every count change is mirrored into the per-ply change
// counters when they are kept, so a counter ends up holding the net change of
// the side's attacks on its square.
//
// Taking a move back needs no walk: before make first changes a square's
// record, it keeps the record in the undo log of its ply, and unmake copies it
// back. The change counters of a ply's layer are all 0 while no move of that
// ply is made (the think's set-up clears them, and unmake takes back every
// change its make counted), so unmake clears the counters of the squares it
// restores instead of keeping them. A mover that only steps changes its own
// attacks outside the log, and unmake changes them back one by one (see
// do_step_move). The log is the move's only when
// unmake is given the same position, move and flag at the same ply as make
// was; otherwise (or past the log's plies) unmake walks the rays back as make
// walked them.

namespace board {

namespace {

using detail::KikiWriter;
using detail::LayerTrack;
using detail::NoHook;
using detail::NoTrack;

// Both sides' line sets of square sq as one word, sente's in the low half:
// 0 when no slider's ray passes it.
uint64_t line_sets(const KPosition& p, int sq) {
  static_assert(offsetof(KKiki, line) + sizeof(uint64_t) == sizeof(KKiki));
  uint64_t w;
  std::memcpy(&w, kiki_at(p, sq).line, sizeof w);
  return w;
}

// By piece number 0..40: the piece's bit in both halves of a line_sets word;
// none for a piece that cannot slide (numbered 32 and up, or 40 for no piece).
// (A table read, not a branch: the captured piece is a slider or not at
// random.)
constexpr auto kLineBits = [] {
  std::array<uint64_t, kEmptyNumber + 1> t{};
  for (int n = 0; n < 32; ++n) t[n] = (uint64_t{1} << n) | (uint64_t{1} << (32 + n));
  return t;
}();
uint64_t line_bits(int n) {
  assert(n >= 0 && n <= kEmptyNumber);
  return kLineBits[n];
}

// The line bits of a move's mover and captured piece, whose attacks make and
// unmake change whole: the ray sets below leave them out.
uint64_t whole_pieces(const KMove& m) { return line_bits(m.piece) | line_bits(m.captured); }

// Calls f(piece, side, slider square, step) for each slider in the line sets
// of `sq` but the pieces of `skip` (line_bits): the rays that pass `sq`. Both
// sides' sets are walked as one word, gote's first: one loop, so one exit for
// the branch predictor to miss, and the skipped pieces are masked off before
// it. (Forced inline, as RaySet::collect below: called twice by every make,
// and the compiler's own choice turns on small changes elsewhere in make,
// taking up to 1% of the search's instructions with it.)
template <class F>
[[gnu::always_inline]] inline void for_each_line_slider(const KPosition& p, int sq, uint64_t skip, F&& f) {
  for (uint64_t bits = line_sets(p, sq) & ~skip; bits != 0;) {
    const int b = 63 - std::countl_zero(bits);
    bits &= ~(uint64_t{1} << b);
    const int n = b & 31, s = b >> 5;
    const int from = p.piece[n].sq;
    f(n, s, from, static_cast<int>(kDirByDiff[kMaxDifference + sq - from]));
  }
}

// One slider ray that passes a square the move changes. A move changes what
// stands on its from- and to-squares only, so the ray stays as it is up to the
// first of them it passes (`start`), and only its part past that square is
// taken off and walked again.
struct Ray {
  uint8_t piece;
  uint8_t side;
  int8_t step;
  uint8_t start;
  uint8_t level;  // 0: the slider attacks `start` directly, 1: by x-ray
};

struct RaySet {
  // Eight sliders (rooks, bishops, lances), each through at most two squares.
  Ray ray[16];
  int count = 0;

  // Adds the rays through `sq` of the sliders in its line sets, except pieces
  // `skip` (line_bits), whose attacks are handled whole. A ray that passes
  // both changed squares starts at the nearer one.
  [[gnu::always_inline]] void collect(const KPosition& p, int sq, uint64_t skip) {
    const KKiki& k = kiki_at(p, sq);
    for_each_line_slider(p, sq, skip, [&](int n, int s, int from, int u) {
      const Ray r{static_cast<uint8_t>(n), static_cast<uint8_t>(s), static_cast<int8_t>(u),
                  static_cast<uint8_t>(sq), static_cast<uint8_t>((k.direct[s][0] >> n) & 1 ? 0 : 1)};
      Add(r, from);
    });
  }

  void Add(const Ray& r, int slider_sq) {
    for (int i = 0; i < count; ++i) {
      if (ray[i].piece == r.piece && ray[i].step == r.step) {
        if (std::abs(r.start - slider_sq) < std::abs(ray[i].start - slider_sq)) ray[i] = r;
        return;
      }
    }
    ray[count++] = r;
  }

  // Takes off each ray's part past its start (the board still as before the
  // move). (Many moves pass no ray: the test keeps the walk's call off them.)
  template <class Track>
  void remove(KikiWriter<Track>& w) const {
    if (count != 0) remove_rays(w);
  }
  template <class Track>
  void remove_rays(KikiWriter<Track>& w) const {
    for (int i = 0; i < count; ++i) {
      const Ray r = ray[i];
      kiki_ray_remove_ply(w, r.side, r.start, r.step, r.piece, NoHook{});
    }
  }

  // Walks each ray on past its start again (the board as after the move).
  template <class Track>
  void add(KikiWriter<Track>& w) const {
    if (count != 0) add_rays(w);
  }
  template <class Track>
  void add_rays(KikiWriter<Track>& w) const {
    for (int i = 0; i < count; ++i) {
      const Ray r = ray[i];
      w.ray_add_past(r.side, r.start, r.step, r.piece, r.level, NoHook{});
    }
  }
};

// Whole rays, as the walk back of unmake without its log takes them: off from
// the slider and on again.
struct WholeRaySet {
  Ray ray[16];
  int count = 0;

  bool contains(int n, int u) const {
    for (int i = 0; i < count; ++i) {
      if (ray[i].piece == n && ray[i].step == u) return true;
    }
    return false;
  }

  void collect(const KPosition& p, int sq, uint64_t skip) {
    for_each_line_slider(p, sq, skip, [&](int n, int s, int /*from*/, int u) {
      if (!contains(n, u)) ray[count++] = {static_cast<uint8_t>(n), static_cast<uint8_t>(s), static_cast<int8_t>(u), 0, 0};
    });
  }

  template <class Track>
  void remove(KikiWriter<Track>& w) const {
    for (int i = 0; i < count; ++i) {
      const Ray r = ray[i];
      kiki_ray_remove_ply(w, r.side, w.p.piece[r.piece].sq, r.step, r.piece, NoHook{});
    }
  }

  template <class Track>
  void add(KikiWriter<Track>& w) const {
    for (int i = 0; i < count; ++i) {
      const Ray r = ray[i];
      kiki_ray_add(w, r.side, w.p.piece[r.piece].sq, r.step, r.piece, 0, NoHook{});
    }
  }
};

// The squares currently on the capture list of the layer being built.
struct SquareSet {
  uint64_t bits[3] = {};
  bool has(int sq) const {
    const int i = sq - kFirstSquare;
    return (bits[i >> 6] >> (i & 63)) & 1;
  }
  void set(int sq) {
    const int i = sq - kFirstSquare;
    bits[i >> 6] |= uint64_t{1} << (i & 63);
  }
  void clear(int sq) {
    const int i = sq - kFirstSquare;
    bits[i >> 6] &= ~(uint64_t{1} << (i & 63));
  }
};

// ---- The undo log ------------------------------------------------------------------

constexpr uint32_t kLogLayers = 64;
constexpr int kBoardSquares = 81;

// The first eight bytes of a move as one word, its search marker (`flag`)
// left out: the fields make and unmake read.
constexpr uint64_t kMoveFlagByte = uint64_t{0xFF} << (8 * offsetof(KMove, flag));
static_assert(offsetof(KMove, flag) < 8 && offsetof(KMove, promote) < 8 && offsetof(KMove, captured_code) < 8);
uint64_t move_fields(const KMove& m) {
  uint64_t w;
  std::memcpy(&w, &m, sizeof w);
  return w & ~kMoveFlagByte;
}

struct UndoLog {
  const KPosition* position = nullptr;  // null: the log holds no move
  uint64_t move = 0;                    // move_fields of the move
  bool tracked = false;  // the change counters of the layer were kept
  // The change of the mover's one-step attacks, made before anything was kept
  // and not in the log, as a direction word (step_diff.h), or 0: unmake takes
  // them back itself (see do_step_move).
  uint32_t steps = 0;
  int count = 0;
  uint32_t number = 0;  // the make's number
  // Each playing square at most once.
  uint8_t square[kBoardSquares];
  KKiki record[kBoardSquares];

  inline void Start(const KPosition& p, const KMove& m, bool with_counters);
  bool Holds(const KPosition& p, const KMove& m, bool with_counters) const {
    return position == &p && tracked == with_counters && move_fields(m) == move;
  }
  // Keeps square sq's record the first time it is touched.
  inline void Keep(const KPosition& p, int sq);
  // Copies the kept records back; the layer's counters of those squares (the
  // only ones the make changed) go back to 0.
  void Restore(KPosition& p, KPlySquare* layer) {
    for (int k = 0; k < count; ++k) {
      const int i = square[k];
      std::memcpy(&p.kiki[i], &record[k], sizeof(KKiki));
      if (layer != nullptr) layer[i].change[0] = layer[i].change[1] = 0;
    }
    position = nullptr;
  }
};

// The undo records (computer thread only): one log per ply of the search-ply
// counter, and per square the number of the make that last kept its record. A
// make takes a new number, so a square is kept once per make without clearing
// anything.
struct UndoRecords {
  UndoLog undo_logs[kLogLayers];
  uint32_t kept_by[kKikiSquares];
  uint32_t make_number;
};
UndoRecords undo_records{};

void UndoLog::Start(const KPosition& p, const KMove& m, bool with_counters) {
  position = &p;
  move = move_fields(m);
  tracked = with_counters;
  steps = 0;
  count = 0;
  if (++undo_records.make_number == 0) {
    // The numbers went round: no square may look kept by the new one.
    std::fill(std::begin(undo_records.kept_by), std::end(undo_records.kept_by), 0u);
    undo_records.make_number = 1;
  }
  number = undo_records.make_number;
}

void UndoLog::Keep(const KPosition& p, int sq) {
  const int i = sq - kFirstSquare;
  if (undo_records.kept_by[i] == number) return;
  undo_records.kept_by[i] = number;
  square[count] = static_cast<uint8_t>(i);
  std::memcpy(&record[count], &p.kiki[i], sizeof(KKiki));
  ++count;
}

// The tracks of a make that keeps its undo log.
struct LoggedNoTrack : NoTrack {
  UndoLog* log;
  void touch(const KPosition& p, int sq) const { log->Keep(p, sq); }
};
struct LoggedLayerTrack : LayerTrack {
  UndoLog* log;
  void touch(const KPosition& p, int sq) const { log->Keep(p, sq); }
};

// Debug builds check that a counted make finds its layer's counters at 0.
[[maybe_unused]] bool layer_clear(const KPlySquare* layer) {
  for (int i = 0; i < kKikiSquares; ++i) {
    if (layer[i].change[0] != 0 || layer[i].change[1] != 0) return false;
  }
  return true;
}

void tokin_add(KTokinList& l, int n) {
  if (l.count < 18) l.number[l.count++] = static_cast<uint32_t>(n);
}

void tokin_remove(KTokinList& l, int n) {
  for (uint32_t i = 0; i < l.count; ++i) {
    if (l.number[i] == static_cast<uint32_t>(n)) {
      l.number[i] = l.number[--l.count];
      return;
    }
  }
}

int promoted_code(const KMove& m) { return m.promote ? (m.code | kPromotedBit) : m.code; }

// ---- Board, piece table, hands and pawn bookkeeping --------------------------------

// A captured king (only in positions where the side to move could take it) is
// taken off the board without entering a hand: hands hold kinds 1..7 only.
void hand_add(KPosition& p, int side, int kind, int n) {
  if (kind == kKing) return;
  ++p.hand[side][kind];
  const int total = p.hand[0][kind] + p.hand[1][kind];
  p.hand_slot[kKindRange[kind].first + total - 1] = static_cast<uint8_t>(n);
}

// Both are inlined into make and unmake, which run for every node.
[[gnu::always_inline]] inline void board_move_tables(KPosition& p, const KMove& m, bool tokin_lists) {
  const int s = code_side(m.code), o = 1 - s;
  if (code_class(m.code) == kPawn) {
    if (m.promote) {
      p.pawn_file[s][square_file(m.from)] = 0;
      if (tokin_lists) tokin_add(p.tokin[s], m.piece);
    } else {
      p.pawn_file[s][square_file(m.to)] = m.to;
    }
  }
  p.board[m.from] = kEmptyNumber;
  p.board[m.to] = m.piece;
  p.piece[m.piece] = {m.to, static_cast<uint8_t>(promoted_code(m))};
  if (m.captured != kEmptyNumber) {
    const int cc = m.captured_code;
    if (code_class(cc) == kPawn) {
      p.pawn_file[o][square_file(m.to)] = 0;
    } else if (code_class(cc) == kTokin) {
      if (tokin_lists) tokin_remove(p.tokin[o], m.captured);
    } else if (code_kind(cc) != kKing) {
      ++p.hand_sum[s];
    }
    p.piece[m.captured].sq = kInHand;
    hand_add(p, s, code_kind(cc), m.captured);
  }
  p.teban = static_cast<uint8_t>(o);
}

[[gnu::always_inline]] inline void board_move_tables_back(KPosition& p, const KMove& m, bool tokin_lists) {
  const int s = code_side(m.code), o = 1 - s;
  if (m.captured != kEmptyNumber) {
    const int cc = m.captured_code;
    const int kind = code_kind(cc);
    if (code_class(cc) == kPawn) {
      p.pawn_file[o][square_file(m.to)] = m.to;
    } else if (code_class(cc) == kTokin) {
      if (tokin_lists) tokin_add(p.tokin[o], m.captured);
    } else if (kind != kKing) {
      --p.hand_sum[s];
    }
    if (kind != kKing) --p.hand[s][kind];
    p.piece[m.captured] = {m.to, static_cast<uint8_t>(cc)};
    p.board[m.to] = m.captured;
  } else {
    p.board[m.to] = kEmptyNumber;
  }
  p.board[m.from] = m.piece;
  p.piece[m.piece] = {m.from, m.code};
  if (code_class(m.code) == kPawn) {
    p.pawn_file[s][square_file(m.from)] = m.from;
    if (m.promote && tokin_lists) tokin_remove(p.tokin[s], m.piece);
  }
  p.teban = static_cast<uint8_t>(s);
}

// A drop takes the top hand slot of its kind; the slots are not rewritten.
void drop_tables(KPosition& p, const KMove& m) {
  const int s = code_side(m.code), kind = code_kind(m.code);
  if (kind == kPawn) {
    p.pawn_file[s][square_file(m.to)] = m.to;
  } else {
    --p.hand_sum[s];
  }
  p.board[m.to] = m.piece;
  p.piece[m.piece] = {m.to, m.code};
  --p.hand[s][kind];
  p.teban = static_cast<uint8_t>(1 - s);
}

void drop_tables_back(KPosition& p, const KMove& m) {
  const int s = code_side(m.code), kind = code_kind(m.code);
  if (kind == kPawn) {
    p.pawn_file[s][square_file(m.to)] = 0;
  } else {
    ++p.hand_sum[s];
  }
  p.board[m.to] = kEmptyNumber;
  p.piece[m.piece] = {kInHand, m.code};
  ++p.hand[s][kind];
  // Back on top of its kind's slots: a capture made meanwhile may have written
  // that slot while the piece stood on the board.
  p.hand_slot[kKindRange[kind].first + p.hand[0][kind] + p.hand[1][kind] - 1] = m.piece;
  p.teban = static_cast<uint8_t>(s);
}

// ---- Attack records --------------------------------------------------------------

// After a capture made with the per-ply table kept: the enemy sliders that
// attacked the from-square directly now reach beyond it; each square they newly
// attack there joins the capture list unless it is on it already.
void list_enemy_reach(const KPosition& p, const KMove& m, uint32_t sliders, SquareSet& listed, int layer) {
  const int o = 1 - code_side(m.code);
  // Behind a king the slider's attack was there before the king moved.
  const bool king = code_kind(m.code) == kKing;
  while (sliders != 0) {
    const int b = 31 - std::countl_zero(sliders);
    sliders &= ~(1u << b);
    const int u = kDirByDiff[kMaxDifference + m.from - p.piece[b].sq];
    bool first = true;
    for (int t = m.from + u; p.board[t] < kFirstWall; t += u, first = false) {
      const KKiki& k = kiki_at(p, t);
      if (!kiki_has_direct(k, o, b) && !((k.xray[o] >> b) & 1)) break;
      if ((first && king) || listed.has(t)) continue;
      ply_list_push(layer, t);
      listed.set(t);
    }
  }
}

// True when no piece code that only steps has a promoted code that slides
// (promotion only ever takes slides away, from the lance): whether a mover
// slides after its move is then known from its code before it.
constexpr bool promotion_adds_no_slide() {
  for (int code = 0; code < detail::kPieceCodes; ++code) {
    const int promoted = code | kPromotedBit;
    if (promoted < detail::kPieceCodes && detail::kPieceSteps[code].slide_count == 0 &&
        detail::kPieceSteps[promoted].slide_count != 0) {
      return false;
    }
  }
  return true;
}
static_assert(promotion_adds_no_slide());

// True when a piece with the move's code neither slides before nor after it.
bool steps_only(const KMove& m) { return detail::kPieceSteps[m.code].slide_count == 0; }

// What step_attacks does with the per-ply change counters of the squares.
enum class Counters { kNone, kCount, kClear };

// The attack records one piece's one-step attacks change in: the piece's bit
// and the byte offsets of its word and of its side's count, fixed for the
// walk, so that each square costs one address for its record.
struct StepRecords {
  StepRecords(KPosition& p, int n, int s, KPlySquare* changes)
      : records(reinterpret_cast<unsigned char*>(p.kiki)),
        word_at(offsetof(KKiki, direct) + sizeof(uint32_t) * (2 * s + (n >> 5))),
        count_at(offsetof(KKiki, direct_count) + s),
        bit(1u << (n & 31)),
        side(s),
        layer(changes) {}

  // The record of index `index`: the piece's bit set (kRaise) or cleared, the
  // count following, and the square's change counter in `layer` counted or
  // cleared.
  template <bool kRaise, Counters kCounters>
  [[gnu::always_inline]] void Change(std::ptrdiff_t index) const {
    unsigned char* const r = records + index * std::ptrdiff_t{sizeof(KKiki)};
    uint32_t& word = *reinterpret_cast<uint32_t*>(r + word_at);
    int8_t& sum = *reinterpret_cast<int8_t*>(r + count_at);
    if constexpr (kRaise) {
      word |= bit;
      ++sum;
    } else {
      word &= ~bit;
      --sum;
    }
    if constexpr (kCounters == Counters::kCount) {
      int8_t& c = layer[index].change[side];
      c = static_cast<int8_t>(c + (kRaise ? 1 : -1));
    } else if constexpr (kCounters == Counters::kClear) {
      std::memset(layer[index].change, 0, sizeof layer->change);
    }
  }

  unsigned char* const records;
  const size_t word_at;
  const size_t count_at;
  const uint32_t bit;
  const int side;
  KPlySquare* const layer;
};

// Sets (kRaise) or clears piece n's (side s) one-step attacks from square q
// in the `count` steps, each square's count following, and counts the change
// in, or clears, the squares' change counters in `layer`.
// `hook(t)` runs for each square changed.
template <bool kRaise, Counters kCounters, class Hook = NoHook>
void step_attacks(KPosition& p, int n, int s, int q, const int8_t* step, int count, KPlySquare* layer,
                  Hook&& hook = {}) {
  const StepRecords records(p, n, s, layer);
  // Kept a loop: unrolled up to eight times, each copy works out the side's
  // addresses again and the whole costs more than the loop.
#pragma GCC unroll 1
  for (int i = 0; i < count; ++i) {
    const std::ptrdiff_t t = q + step[i];
    if (p.board[t] >= kFirstWall) continue;
    records.Change<kRaise, kCounters>(t - kFirstSquare);
    hook(static_cast<int>(t));
  }
}

// The same change for the steps of a direction set (step_diff.h), those off
// the board left out: the loop walks the set's bits and tests no wall.
// The order of the squares is the directions', not the piece's steps': only
// callers without a hook use it.
template <bool kRaise, Counters kCounters>
void step_direction_attacks(KPosition& p, int n, int s, int q, uint32_t directions, KPlySquare* layer) {
  const StepRecords records(p, n, s, layer);
  const std::ptrdiff_t at = q - kFirstSquare;  // the index of q's record
  for (uint32_t d = directions & detail::kStepsOnBoard[q]; d != 0; d &= d - 1) {
    const std::ptrdiff_t index = at + detail::kStepMoveDiffs[std::countr_zero(d)];
    assert(p.board[index + kFirstSquare] < kFirstWall);
    records.Change<kRaise, kCounters>(index);
  }
}

// The lost and the gained half of a direction word.
constexpr uint32_t kLoseDirections = (1u << detail::kGainShift) - 1;
uint32_t lost_directions(uint32_t w) { return w & kLoseDirections; }
uint32_t gained_directions(uint32_t w) { return w >> detail::kGainShift; }

// A make that keeps its undo log and builds no capture list, of a mover that
// only steps: the mover's one-step attacks (off on the from-square, on on the
// to-square) change first and outside the log, since unmake takes them back
// one by one for less than keeping their records costs. Everything after that
// goes through the log, so the kept records already hold those changes.
// Attack bits are per piece and the counts sums, so the order of the changes
// does not matter for the result: only a piece's own slides read its bits, and
// the mover has none.
template <class Track>
void do_step_move(KPosition& p, const KMove& move, Track track, UndoLog& log) {
  // A copy the record writes below cannot change (they go through byte
  // pointers, which may point anywhere): its fields stay in registers.
  const KMove m = move;
  const int n = m.piece, cap = m.captured, s = code_side(m.code);
  // (Half of these moves pass no slider's ray: one test of both squares'
  // line sets, both sides at once, keeps the four per-side walks off them.)
  RaySet rays;
  if ((line_sets(p, m.from) | line_sets(p, m.to)) != 0) {
    const uint64_t skip = whole_pieces(m);
    rays.collect(p, m.from, skip);
    rays.collect(p, m.to, skip);
  }

  // A piece that keeps its code keeps its attacks on the squares that both the
  // from- and the to-square's steps reach: only the rest change.
  const uint32_t c = detail::step_diff_directions(m.code, m.from, m.to, m.promote != 0);
  if constexpr (std::is_same_v<Track, LoggedLayerTrack>) {
    step_direction_attacks<false, Counters::kCount>(p, n, s, m.from, lost_directions(c), track.layer);
    step_direction_attacks<true, Counters::kCount>(p, n, s, m.to, gained_directions(c), track.layer);
  } else {
    step_direction_attacks<false, Counters::kNone>(p, n, s, m.from, lost_directions(c), nullptr);
    step_direction_attacks<true, Counters::kNone>(p, n, s, m.to, gained_directions(c), nullptr);
  }
  log.steps = c;

  KikiWriter<Track> w{p, track};
  if (cap != kEmptyNumber) w.remove_piece(cap, m.to, m.captured_code, NoHook{});
  rays.remove(w);
  board_move_tables(p, m, true);
  rays.add(w);
}

// Unmake's part of the above, after the log is restored: the mover's step
// attacks back in the reverse order (a square both steps of a promotion reach
// loses the to-square's attack before it gets the from-square's back), and
// their squares' change counters to 0.
void undo_step_attacks(KPosition& p, const KMove& m, uint32_t c, KPlySquare* counters) {
  const int n = m.piece, s = code_side(m.code);
  if (counters == nullptr) {
    step_direction_attacks<false, Counters::kNone>(p, n, s, m.to, gained_directions(c), nullptr);
    step_direction_attacks<true, Counters::kNone>(p, n, s, m.from, lost_directions(c), nullptr);
  } else {
    step_direction_attacks<false, Counters::kClear>(p, n, s, m.to, gained_directions(c), counters);
    step_direction_attacks<true, Counters::kClear>(p, n, s, m.from, lost_directions(c), counters);
  }
}

// The capture of a piece that only steps, with the capture list built: the
// mover's step attacks change as in do_step_move, and each square it stops
// attacking goes on the list. A square the to-square's steps reach again (only
// when the lists are the whole steps) leaves the list. The list's order is
// that of the mover's lost squares, as the rest of the make adds none before
// list_enemy_reach.
template <Counters kCounters>
void list_step_capture(KPosition& p, const KMove& m, const detail::StepDiff& c, int layer, SquareSet& listed,
                       KPlySquare* counters) {
  const int n = m.piece, s = code_side(m.code);
  step_attacks<false, kCounters>(p, n, s, m.from, c.lose, c.lose_count, counters, [&](int t) {
    ply_list_push(layer, t);
    listed.set(t);
  });
  step_attacks<true, kCounters>(p, n, s, m.to, c.gain, c.gain_count, counters);
  if (!c.whole) return;
  for (int i = 0; i < c.gain_count; ++i) {
    const int t = m.to + c.gain[i];
    if (p.board[t] >= kFirstWall || !listed.has(t)) continue;
    ply_list_unlink(layer, t);
    listed.clear(t);
  }
}

// ---- A slider moving along one of its own lines ------------------------------------

// Whether the piece slides along direction v.
bool has_slide(const detail::PieceSteps& e, int v) {
  for (int i = 0; i < e.slide_count; ++i) {
    if (e.slide[i] == v) return true;
  }
  return false;
}

// The unit step of a move along one of the mover's slides that keeps its code
// and takes no king; 0 for any other move.
int slide_along(const KMove& m) {
  if (m.promote || (m.captured != kEmptyNumber && code_kind(m.captured_code) == kKing)) return 0;
  const detail::PieceSteps& e = detail::kPieceSteps[m.code];
  if (e.slide_count == 0) return 0;
  const int u = line_direction(m.from, m.to);
  return has_slide(e, u) ? u : 0;
}

// Such a move leaves most of the mover's two rays on its line as they are: the
// squares between from and to were empty, so past the to-square the ray along
// u reads the same board from the to-square on (unless it took a piece there,
// where the old ray ended), and the ray back along -u reaches the from-square
// directly and goes on past it as the old ray from there did. The squares
// between keep their attack when the piece also slides back (rook, bishop and
// their promotions) and lose it otherwise (lance). So of those two rays only
// the to-square loses the attack and the from-square gains it; the other rays
// and the steps change whole.
bool slides_back(const detail::PieceSteps& e, int u) { return has_slide(e, -u); }

// Debug builds check that the squares between from and to are empty.
[[maybe_unused]] bool path_clear(const KPosition& p, const KMove& m, int u) {
  for (int t = m.from + u; t != m.to; t += u) {
    if (p.board[t] != kEmptyNumber) return false;
  }
  return true;
}

// The part of the change made while the board still shows the old position.
template <class Track>
void slide_along_off(KikiWriter<Track>& w, const KMove& m, int u) {
  assert(path_clear(w.p, m, u));
  const int n = m.piece, s = code_side(m.code);
  const detail::PieceSteps& e = detail::kPieceSteps[m.code];
  w.remove_steps(s, m.from, e, n, NoHook{});
  for (int i = 0; i < e.slide_count; ++i) {
    const int v = e.slide[i];
    if (v != u && v != -u) kiki_ray_remove_ply(w, s, m.from, v, n, NoHook{});
  }
  for (int t = slides_back(e, u) ? m.to : m.from + u;; t += u) {
    kiki_bit_remove(w, s, t, n);
    if (t == m.to) break;
  }
}

// The part made on the new board.
template <class Track>
void slide_along_on(KikiWriter<Track>& w, const KMove& m, int u) {
  const int n = m.piece, s = code_side(m.code);
  const detail::PieceSteps& e = detail::kPieceSteps[m.code];
  w.add_steps(s, m.to, e, n, NoHook{});
  for (int i = 0; i < e.slide_count; ++i) {
    const int v = e.slide[i];
    if (v != u && v != -u) kiki_ray_add(w, s, m.to, v, n, 0, NoHook{});
  }
  if (slides_back(e, u)) {
    KKiki& k = w.record(m.from);
    w.raise_direct(k, s, m.from, n);
    k.line[s] |= 1u << n;
  }
  if (m.captured != kEmptyNumber) kiki_ray_add(w, s, m.to, u, n, 0, NoHook{});
}

// `layer` is the per-ply layer whose capture list is built, or -1.
template <class Track>
void do_board_move(KPosition& p, const KMove& move, Track track, int layer) {
  const KMove m = move;  // kept in registers (see do_step_move)
  KikiWriter<Track> w{p, track};
  const int n = m.piece, from = m.from, to = m.to, cap = m.captured;
  const int s = code_side(m.code), o = 1 - s;
  const bool listing = cap != kEmptyNumber && layer >= 0;
  const int along = listing ? 0 : slide_along(m);
  // A capturer that only steps changes its attacks only where the from- and
  // the to-square's steps differ (step_diff.h): a square both reach would lose
  // its attack and go on the list, then get the attack back and leave the list.
  const bool step_capture = listing && steps_only(m);
  const int slot = step_capture ? detail::step_slot(from, to, m.promote != 0) : 0;
  const detail::StepDiff* const diff = step_capture ? &detail::step_diff_at(m.code, slot) : nullptr;

  RaySet rays;
  const uint64_t skip = whole_pieces(m);
  rays.collect(p, from, skip);
  rays.collect(p, to, skip);
  uint32_t through_from = 0;
  if (listing) {
    const KKiki& k = kiki_at(p, from);
    through_from = k.direct[o][0] & k.line[o];
    if (cap < 32) through_from &= ~(1u << cap);
  }

  // The mover's old attacks: with a capture, each square it stops attacking
  // goes on the list; squares it attacks again from the to-square leave it.
  SquareSet listed;
  if (diff != nullptr) {
    // First and outside the log, as do_step_move changes them (the track of a
    // listing make always has a log).
    if constexpr (requires { track.log; }) {
      if constexpr (std::is_same_v<Track, LoggedLayerTrack>) {
        list_step_capture<Counters::kCount>(p, m, *diff, layer, listed, track.layer);
      } else {
        list_step_capture<Counters::kNone>(p, m, *diff, layer, listed, nullptr);
      }
      track.log->steps = detail::step_directions_at(m.code, slot);
    } else {
      assert(!"a make that builds the capture list keeps an undo log");
    }
  } else if (listing) {
    w.remove_piece(n, from, m.code, [&](int t) {
      ply_list_push(layer, t);
      listed.set(t);
    });
  } else if (along != 0) {
    slide_along_off(w, m, along);
  } else {
    w.remove_piece(n, from, m.code, NoHook{});
  }
  if (cap != kEmptyNumber) w.remove_piece(cap, m.to, m.captured_code, NoHook{});
  rays.remove(w);

  board_move_tables(p, m, true);

  // The mover's new attacks (a stepping capturer's changed with its old ones,
  // in list_step_capture).
  if (diff == nullptr) {
    if (listing) {
      w.add_piece(n, to, promoted_code(m), [&](int t) {
        if (!listed.has(t)) return;
        ply_list_unlink(layer, t);
        listed.clear(t);
      });
    } else if (along != 0) {
      slide_along_on(w, m, along);
    } else {
      w.add_piece(n, to, promoted_code(m), NoHook{});
    }
  }
  rays.add(w);
  if (listing) list_enemy_reach(p, m, through_from, listed, layer);
}

// (The walks back run only when the log does not hold the move: kept out of
// unmake's common path.)
template <class Track>
[[gnu::noinline]] void undo_board_move(KPosition& p, const KMove& m, Track track) {
  KikiWriter<Track> w{p, track};
  WholeRaySet rays;
  const uint64_t skip = line_bits(m.piece);
  rays.collect(p, m.from, skip);
  rays.collect(p, m.to, skip);
  w.remove_piece(m.piece, m.to, promoted_code(m), NoHook{});
  rays.remove(w);

  board_move_tables_back(p, m, true);

  w.add_piece(m.piece, m.from, m.code, NoHook{});
  if (m.captured != kEmptyNumber) w.add_piece(m.captured, m.to, m.captured_code, NoHook{});
  rays.add(w);
}

template <class Track>
void do_drop(KPosition& p, const KMove& m, Track track) {
  KikiWriter<Track> w{p, track};
  RaySet rays;
  rays.collect(p, m.to, line_bits(m.piece));
  rays.remove(w);
  drop_tables(p, m);
  w.add_piece(m.piece, m.to, m.code, NoHook{});
  rays.add(w);
}

template <class Track>
[[gnu::noinline]] void undo_drop(KPosition& p, const KMove& m, Track track) {
  KikiWriter<Track> w{p, track};
  WholeRaySet rays;
  rays.collect(p, m.to, line_bits(m.piece));
  w.remove_piece(m.piece, m.to, m.code, NoHook{});
  rays.remove(w);
  drop_tables_back(p, m);
  rays.add(w);
}

// Debug builds check what the position's arrays are indexed by: a pass, or a
// numbered piece moving onto a playing square from one (or from a hand), taking
// a numbered piece or nothing (40).
[[maybe_unused]] bool well_formed(const KMove& m) {
  if (m.from == kPassSquare) return true;
  return m.piece < kPieceCount && m.captured <= kEmptyNumber && is_playing_square(m.to) &&
         (m.from == kInHand || is_playing_square(m.from));
}

}  // namespace

// Every layer of the per-ply table has a log, so a make that keeps a layer
// always keeps its log too.
static_assert(kPlyLayers <= static_cast<int>(kLogLayers));

namespace {

// What a make or unmake with do_move's flag keeps of the per-ply table's
// layer: its capture list, and its change counters too. Layers past the
// table's keep nothing.
struct PlyTableUse {
  bool listed, counted;
  PlyTableUse(int flag, uint32_t layer)
      : listed(flag != kPlyTableOff && layer < static_cast<uint32_t>(kPlyLayers)),
        counted(listed && flag != kPlyTableListOnly) {}
};

}  // namespace

void do_move(KPosition& p, const KMove& m, int flag) {
  assert(well_formed(m));
  const uint32_t layer = think_board.ply_table.search_ply_counter++;
  const auto [listed, counted] = PlyTableUse(flag, layer);
  // Every move starts its ply's list afresh, so the next ply never reads a list
  // that a sibling's capture left.
  if (listed) think_board.ply_table.ply_list_head[layer] = 0;
  assert(!counted || layer_clear(think_board.ply_table.ply_squares[layer]));
  if (m.from == kPassSquare) {
    p.teban ^= 1;
    return;
  }
  if (layer < kLogLayers) {
    UndoLog& log = undo_records.undo_logs[layer];
    log.Start(p, m, counted);
    if (counted) {
      LoggedLayerTrack track;
      track.layer = think_board.ply_table.ply_squares[layer];
      track.log = &log;
      if (m.from == kInHand) {
        do_drop(p, m, track);
      } else if (m.captured == kEmptyNumber && steps_only(m)) {
        // (A counted capture builds the capture list: do_board_move.)
        do_step_move(p, m, track, log);
      } else {
        do_board_move(p, m, track, static_cast<int>(layer));
      }
    } else {
      LoggedNoTrack track;
      track.log = &log;
      if (m.from == kInHand) {
        do_drop(p, m, track);
      } else if (steps_only(m) && !(listed && m.captured != kEmptyNumber)) {
        do_step_move(p, m, track, log);
      } else {
        do_board_move(p, m, track, listed ? static_cast<int>(layer) : -1);
      }
    }
  } else if (m.from == kInHand) {
    do_drop(p, m, NoTrack{});
  } else {
    do_board_move(p, m, NoTrack{}, -1);
  }
}

void undo_move(KPosition& p, const KMove& m, int flag) {
  assert(well_formed(m));
  const uint32_t layer = --think_board.ply_table.search_ply_counter;
  const bool counted = PlyTableUse(flag, layer).counted;
  if (m.from == kPassSquare) {
    p.teban ^= 1;
  } else if (layer < kLogLayers && undo_records.undo_logs[layer].Holds(p, m, counted)) {
    UndoLog& log = undo_records.undo_logs[layer];
    KPlySquare* const counters = counted ? think_board.ply_table.ply_squares[layer] : nullptr;
    log.Restore(p, counters);
    if (log.steps != 0) undo_step_attacks(p, m, log.steps, counters);
    if (m.from == kInHand) {
      drop_tables_back(p, m);
    } else {
      board_move_tables_back(p, m, true);
    }
  } else if (counted) {
    const LayerTrack track{think_board.ply_table.ply_squares[layer]};
    if (m.from == kInHand) {
      undo_drop(p, m, track);
    } else {
      undo_board_move(p, m, track);
    }
  } else if (m.from == kInHand) {
    undo_drop(p, m, NoTrack{});
  } else {
    undo_board_move(p, m, NoTrack{});
  }
}

void make_move_light(KPosition& p, const KMove& m) {
  assert(well_formed(m));
  if (m.from == kPassSquare) {
    p.teban ^= 1;
  } else if (m.from == kInHand) {
    drop_tables(p, m);
  } else {
    board_move_tables(p, m, false);
  }
}

void unmake_move_light(KPosition& p, const KMove& m) {
  assert(well_formed(m));
  if (m.from == kPassSquare) {
    p.teban ^= 1;
  } else if (m.from == kInHand) {
    drop_tables_back(p, m);
  } else {
    board_move_tables_back(p, m, false);
  }
}

}  // namespace board
