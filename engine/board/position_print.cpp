#include "engine/board/position_print.h"

#include "model/formats/trace_format.h"

namespace board {

void position_trace_text(const KPosition& p, int flag, model::KString& out) {
  model::TraceBoard t;
  t.side = p.teban;
  for (int rank = 1; rank <= 9; ++rank) {
    for (int file = 1; file <= 9; ++file) {
      const int n = p.board[square_of(file, rank)];
      t.square[rank][file] = n < kPieceCount ? p.piece[n].code : 0;
    }
  }
  for (int side = 0; side < 2; ++side) {
    for (int kind = kRook; kind <= kPawn; ++kind) t.hand[side][kind] = p.hand[side][kind];
  }
  model::pos_write_xml(out, t, static_cast<uint8_t>(flag));
}

void kyokumen_print(const KPosition& p, int flag) {
  model::KString text;
  position_trace_text(p, flag, text);
  model::trace_write(text.c_str());
}

}  // namespace board
