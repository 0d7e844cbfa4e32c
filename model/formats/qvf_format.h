// QVF: a tagged text form of a game record. A written file holds a comment
// header, the names in bracketed tags, the start position as <teban>,
// <mochi-gote>, <ban> and <mochi-sente> blocks and the main line in a "<kifu"
// block between "$" lines. Reading brings back only the position: names, moves
// and header values are skipped, so a QVF file loads as a position without moves.
#pragma once

#include "model/position/kyokumen.h"
#include "model/record/kifu.h"
#include "model/text/text_stream.h"

namespace model {

// Token codes of qvf_read_tag. Piece words give their Koma code (0..31); a run
// of digits gives its value + kQvfNumber.
enum QvfToken : int {
  kQvfEnd = -1,
  kQvfTeban = 256,
  kQvfTebanEnd = 257,
  kQvfMochiSente = 258,
  kQvfMochiSenteEnd = 259,
  kQvfMochiGote = 260,
  kQvfMochiGoteEnd = 261,
  kQvfBan = 262,
  kQvfBanEnd = 263,
  kQvfSente = 264,
  kQvfGote = 265,
  kQvfNumber = 266,
};

// The word of a board square's Koma code (0..31): the CSA name, upper case for
// sente and lower case for gote, "--" for an empty square and for codes that
// hold no piece.
const char* qvf_piece_word(int code);

// ---- Writing (qvf_writer.cpp) ----

// The whole record: header, names, start position and the first continuation
// of every position from the start to the end of that line. Always 0.
int kifu_write_qvf(const Kifu& kifu, TextWriter& out);
// The header and names of the record with `kyokumen` as the position; no moves.
// Always 0.
int kifu_write_qvf_position(const Kifu& kifu, TextWriter& out, const Kyokumen& kyokumen);
// The four tag blocks of a position.
void qvf_write_position(const Kyokumen& kyokumen, TextWriter& out);

// ---- Reading (qvf_reader.cpp) ----

// The next token code, or kQvfEnd at the end of the input. Skips "#" comment
// lines, "[...]" and "$...$" sections and words it does not know.
int qvf_read_tag(TextReader& in);
// The bodies of the three blocks, each read after its opening tag; 0, or -1 on
// a token out of place or the end of the input.
int qvf_read_teban(TextReader& in, Kyokumen& kyokumen);
int qvf_read_mochi(TextReader& in, Kyokumen& kyokumen, int side);
int qvf_read_ban(TextReader& in, Kyokumen& kyokumen);
// Reads the position of a QVF text as a record without moves, named "sente"
// and "gote": without `merge` it replaces the record, with it the record's
// node holding that position has its first line selected. 0, or -1 with the
// record untouched on a malformed text, a position that breaks the rules of
// the game, or (merging) a position the record does not hold.
int kifu_read_qvf(Kifu& kifu, TextReader& in, bool merge);
// True when the `n` bytes of a QVF text hold moves in their "<kifu" block,
// which kifu_read_qvf skips: a caller can tell the user that only the
// position was read. The sections are found as qvf_read_tag finds them.
bool qvf_text_holds_moves(const char* bytes, int n);

}  // namespace model
