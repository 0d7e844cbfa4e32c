// Text forms of engine moves and engine positions for the engine's trace log.
// The log discards what it is given (trace_write); nothing else depends on these
// texts, so they favour plain, greppable forms over record notation.
#pragma once

#include <cstdint>

#include "model/position/move_word.h"
#include "model/text/kstring.h"

namespace model {

// An engine position as the formatters read it. Engine piece codes: kind in bits
// 0-3 (1 rook, 2 bishop, 3 gold, 4 silver, 5 knight, 6 lance, 7 pawn, 8 king),
// 0x10 promoted, 0x20 sente, 0x40 gote; 0 is an empty square.
struct TraceBoard {
  int32_t side = 0;              // side to move, 0 sente, 1 gote
  uint8_t square[10][10] = {};   // [rank][file], 1..9 used
  uint8_t hand[2][8] = {};       // [side][engine kind 1..7]
};

// The trace log: accepts a line of text and discards it.
void trace_write(const char* text);

// Helpers: a file as a full-width digit, a rank in kanji.
void trace_file_text(KString& out, int file);
void trace_rank_text(KString& out, int rank);

// An engine move word: "パス" for a pass, otherwise the side mark, the target, the
// piece and 打 or 成, then the source as "(%d%d)". The coordinate form writes the
// target as "%d%d" (▲76歩(77)); the kanji form as in records (▲７六歩(77)).
// sashite_to_text is the kanji form; sashite_to_text_trace sends it to the log.
void sashite_to_coord(KString& out, KMoveWord word);
void sashite_to_kanji(KString& out, KMoveWord word);
void sashite_to_text(KString& out, KMoveWord word);
void sashite_to_text_trace(KMoveWord word);

// The board diagram of KIF records (board_diagram.h), the sides named 先手 and
// 後手.
void pos_write_board(KString& out, const TraceBoard& board);
// The position as tagged text (<teban>, <ban>, <mochi-sente>, <mochi-gote>).
// `flag` is the caller's trace option byte; the text does not depend on it.
void pos_write_xml(KString& out, const TraceBoard& board, uint8_t flag);

}  // namespace model
