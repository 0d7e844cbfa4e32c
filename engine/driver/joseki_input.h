// JosekiInput: the joseki editor's path, the positions it registered moves
// from, newest last, each with the moves registered there, so that the editor
// can step back to where it was.
#pragma once

#include <cstddef>
#include <vector>

#include "model/position/kyokumen.h"
#include "model/position/sashite.h"

namespace driver {

class JosekiInput {
 public:
  // The path keeps this many positions; the oldest goes first.
  static constexpr int kMaxRecords = 300;

  // Appends a copy of the position with no moves, dropping the oldest record
  // when the path is full.
  void Push(const model::Kyokumen& k);
  // Appends a move to the newest record (nothing when there is none).
  void PushSashite(const model::Sashite& m);
  bool IsEmpty() const { return records_.empty(); }
  // True when the newest record has no move (or there is no record).
  bool IsSashiteEmpty() const { return records_.empty() || records_.back().moves.empty(); }
  // Copies the newest record's position out and removes the record; false
  // (nothing changed) when the path is empty.
  bool PopKyokumen(model::Kyokumen* out);
  // Copies the newest record's last move out and removes it; false (nothing
  // changed) when there is none.
  bool PopSashite(model::Sashite* out);
  // Empties the path (when joseki edit ends).
  void Rebuild();

  int size() const { return static_cast<int>(records_.size()); }
  const model::Kyokumen& kyokumen(int i) const { return records_[static_cast<size_t>(i)].kyokumen; }

 private:
  struct Record {
    model::Kyokumen kyokumen;
    std::vector<model::Sashite> moves;  // registered from this position, in order
  };
  std::vector<Record> records_;  // oldest first, in one contiguous array
};

}  // namespace driver
