// The nodes of a game record: position nodes (KifuKyokumen), shared by every line
// that reaches the same position, and move nodes (KifuSashite), each joining the
// position it starts from to the position it leads to.
//
// Ownership: a position node owns its outgoing move nodes (freed with it); the
// position table (PosTable) that holds a node owns the node; the record owns its
// root pseudo-move. Incoming arrays and the `from`/`to` links never own.
#pragma once

#include <cstdint>
#include <vector>

#include "model/position/kyokumen.h"
#include "model/record/kifu_hyouka.h"
#include "model/text/kstring.h"

namespace model {

struct KifuSashite;

// True when two strings hold the same bytes.
bool same_text(const KString& a, const KString& b);

// The outgoing or incoming moves of a position node and the current one.
struct KifuSashiteList {
  std::vector<KifuSashite*> items;
  int32_t current = 0;

  int Count() const { return static_cast<int>(items.size()); }
  // The move at `i`, or null out of range.
  KifuSashite* At(int i) const { return (i >= 0 && i < Count()) ? items[i] : nullptr; }
  // The current move, or null when the list is empty.
  KifuSashite* Current() const { return At(current); }
  // `index` when it names an entry, else the current index.
  int Resolve(int index) const { return (index >= 0 && index < Count()) ? index : current; }
  // Position of `m` in the list, or -1.
  int IndexOf(const KifuSashite* m) const;
  // Inserts `m` at `index` (-1 or past the end appends) and returns where it went;
  // the move that was current stays current.
  int Insert(int index, KifuSashite* m);
  // Removes the entry at `index`. A surviving current move stays current; when the
  // current move itself goes, the index stays (0 once it is past the end).
  void RemoveAt(int index);
  // Exchanges two entries; the current move stays current.
  void Swap(int a, int b);
};

struct KifuKyokumen {
  KifuSashiteList next;               // outgoing moves; current = the continuation
  KifuSashiteList prev;               // incoming moves; current = the way in
  KifuKyokumen* hash_next = nullptr;  // position-table chain
  KifuKyokumen* hash_prev = nullptr;
  int32_t tesu = 0;                   // ply along the current line
  uint32_t hash_lo = 0;               // Kyokumen::CalcHash, first and second word
  uint32_t hash_hi = 0;
  Kyokumen kyokumen;
  int32_t visit = 0;                  // scratch counter of walks (0 when idle)

  // Empty arrays, no links, the even-game position (hash not yet computed).
  KifuKyokumen();
  // Frees the outgoing move nodes.
  ~KifuKyokumen();
  KifuKyokumen(const KifuKyokumen&) = delete;
  KifuKyokumen& operator=(const KifuKyokumen&) = delete;

  // Recomputes hash_lo / hash_hi from `kyokumen`. A node inside a table must be
  // re-entered instead (PosTable::Rehash).
  void CalcHash();
};

// The longest time a move holds: one day. Every reader takes a longer time as
// this, so that a time reads back the same from every format that carries it
// and sums of times over a record stay far from any overflow.
constexpr int32_t kMaxMoveSeconds = 24 * 60 * 60;

struct KifuSashite {
  Sashite sashite;                 // special code 12 for the root pseudo-move
  int32_t seconds = 0;             // time spent on the move
  KifuHyouka hyouka;       // the move's analysis
  KString comment;
  // A bookmark that other programs put on a move (their "&" lines): a name to
  // find the position by, one line; empty for none. On the root it marks the
  // start.
  KString bookmark;
  KifuKyokumen* from = nullptr;    // null for the root pseudo-move
  KifuKyokumen* to = nullptr;      // null until attached
  KString text;                    // cache of the move's notation

  KifuSashite();
  KifuSashite(const KifuSashite&) = delete;
  KifuSashite& operator=(const KifuSashite&) = delete;

  // The ply of the position the move leads to.
  int Ply() const;

  // The incoming move of `m`'s from-node at `index` (out of range: the current
  // one); `m` itself when that node has no incoming move (or `m` is the root).
  static KifuSashite* GetPrev(KifuSashite* m, int index);
  // The current incoming move of `m`'s from-node, or null.
  static KifuSashite* GetCurrentPrev(const KifuSashite* m);
};

}  // namespace model
