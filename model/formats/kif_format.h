// The KIF game-record format: a header of key "：" value lines, an optional
// board diagram, the move-list heading, one numbered line per move with its
// clock times, comment and analysis lines, and "#%" branch lines that keep a
// position reached by several move orders shared when the file is read back.
#pragma once

#include <utility>

#include "model/position/kyokumen.h"
#include "model/record/kifu.h"
#include "model/text/text_stream.h"

namespace model {

// A line that a text reader passed over although it stands for moves: a
// numbered move line or a variation line whose move number does not fit the
// moves read before it. The reader cannot place it and reads on as if it were
// not there, so the moves it brings (for a KIF move line, also those behind
// it up to a line that fits) are missing from the record.
struct KifuSkippedLine {
  enum Why {
    kNone,
    kMoveNumberBelowOne,  // a move line numbered 0
    kMoveNumberAhead,     // a move line numbered past the move after `ply`
    kVariationBelowOne,   // a variation line that names no move
    kVariationAhead,      // a variation line past the end of the line of play
  };
  int line = 0;  // from 1, as KifuReadStop counts lines; 0: none
  KString text;  // the line, trimmed
  Why why = kNone;
  int ply = 0;  // the moves of the line of play read before it

  // Keeps the first line passed over; later ones change nothing, since the
  // first is where the record parts from its text.
  void Note(int at_line, const KString& line_text, Why reason, int moves_read) {
    if (line != 0) return;
    line = at_line;
    text = line_text;
    why = reason;
    ply = moves_read;
  }
};

// The lines of a text that are of no kind its reader knows (neither header,
// comment, move, end nor closing line) and that the reader passed over: the
// first (its number, from 1, and its text, trimmed) and how many there were.
struct KifuPassedOver {
  int line = 0;  // 0: none
  KString text;
  int count = 0;

  void Note(int at_line, const KString& line_text) {
    if (count++ != 0) return;
    line = at_line;
    text = line_text;
  }
  // Adds the lines of `later`, passed over further on in the same text.
  void Add(const KifuPassedOver& later) {
    if (later.count == 0) return;
    if (count == 0) {
      line = later.line;
      text = later.text;
    }
    count += later.count;
  }
};

// A closing line (まで64手で後手の勝ち) whose count of moves is not the number
// of moves read on its line of play, the first of a text: its line (from 1;
// 0: none), its text, that count and the moves read. The result of that line
// of play is left out, since a move line lost or damaged on the way would give
// it to the wrong side.
struct KifuClosingMismatch {
  int line = 0;
  KString text;
  int count = 0;
  int moves = 0;

  void Note(int at_line, const KString& line_text, int counted, int read) {
    if (line != 0) return;
    line = at_line;
    text = line_text;
    count = counted;
    moves = read;
  }
};

// Where a text reader (KIF, KI2, CSA) stopped short of the end of its text:
// the number of the line (from 1, every line of the text counted) whose move it
// could not read or play, and that line trimmed (for KI2 the move word that
// failed, from its mark to the next mark or blank; for CSA the statement).
// Line 0: the text was read to its end. `bad_start` is set instead when the
// read failed because the start position the text sets up breaks the rules
// (Kyokumen::Check), so that a caller can say so rather than call the text no
// record.
struct KifuReadStop {
  int line = 0;
  KString text;
  bool bad_start = false;
  // Set by the loads of kifu_dispatch.h when the text read was QVF holding
  // moves: the format carries back only the position, so they were not read.
  bool moves_skipped = false;
  // The first line the reader passed over as KifuSkippedLine tells (KIF, its
  // change-branch layout and KI2).
  KifuSkippedLine skipped{};
  // The first end statement the reader passed over because the record holds
  // no such result (CSA's %FUZUMI, %MATTA and %ERROR, or an end word it does
  // not know): its line, from 1 (0: none), and the statement. The reading
  // goes on behind it.
  int left_out_end_line = 0;
  KString left_out_end{};
  // Set by a caller that decoded the text from UTF-8 with bytes that were no
  // UTF-8 (see record_text_to_sjis): the line of the first, and how many
  // there were; each was read as "?".
  int bad_utf8_line = 0;
  int bad_utf8_bytes = 0;
  // Likewise the characters of such a text that Shift-JIS cannot hold, each
  // read as one "?": the line of the first, and how many there were.
  int unheld_line = 0;
  int unheld_chars = 0;
  // Set by the KIF reader at a word where a move stands that is neither a
  // move nor an end word it knows (see kifu_read_kif), and by the readers of
  // closing lines (KIF, its change-branch layout and KI2) at a closing whose
  // words tell no result they know: the line of the first, that word, and
  // how many such lines there were. Each ends its line of play as 中断.
  int unknown_end_line = 0;
  KString unknown_end_word{};
  int unknown_end_words = 0;
  // Set by a failed read of KIF, its change-branch layout or KI2 when the
  // 手合割 line names a handicap the readers do not know: that line's number
  // and the name.
  int unknown_handicap_line = 0;
  KString unknown_handicap{};
  // Set by a failed read of CSA: the line of the first statement that is no
  // CSA statement, and that statement (0: none).
  int not_csa_line = 0;
  KString not_csa_text{};
  // The lines of no kind the reader knows that it passed over (KIF, its
  // change-branch layout and KI2). A text that holds such a line and from
  // which no move could be read is no record: the read fails, and when the
  // text was taken for the reader's format (it holds a header or a result)
  // `passed_over` names its first such line as the reason. Any reader may
  // refuse a text so (kifu_dispatch.h's KifuLoadError::kUnknownLine).
  KifuPassedOver passed_over{};
  // The CSA position statements (rank rows and piece lists) that were read
  // with bytes that name no piece passed over: a cell of no known form read
  // as an empty square, or bytes behind the ninth cell or the last group.
  KifuPassedOver stray_bytes{};
  // The first line of moves or ends that stands behind the end of its line of
  // play (a result, an end word) and is not read, with the lines behind it on
  // that line of play: nothing is played after an end. Its line, from 1 (0:
  // none), and its text.
  int after_end_line = 0;
  KString after_end{};
  // The first closing line whose count is not the moves read (KIF, its
  // change-branch layout and KI2); its line of play was given no result.
  KifuClosingMismatch closing{};
  // The bookmark lines that no move could hold (kifu_read_bookmark: a second
  // one for a move, or one without a name), passed over by the KIF-family
  // readers: the first and how many.
  KifuPassedOver bookmarks_passed{};

  // Takes the unknown end words a reader kept (the first line and word, and
  // their count) into the unknown_end fields.
  void TakeUnknownEnds(KifuPassedOver&& ends) {
    unknown_end_line = ends.line;
    unknown_end_word = std::move(ends.text);
    unknown_end_words = ends.count;
  }
};

// Reads a KIF text into `kifu`: without `merge` it replaces the record's moves,
// position table and header fields; with `merge` its lines are added at the
// record's node holding the text's start position. 0 on success; -1 when the
// text is not KIF (a bad header or no move-list heading: any line that begins
// with 手数----指手), when it holds lines of no known kind and no move could
// be read from it (`stop`'s passed_over names the first; so it does for a
// header without a heading), or, with `merge`, when the record has no such
// position. On -1 the record is unchanged. A malformed or illegal move line
// ends the reading; the moves before it are kept, and `stop`, when given,
// receives that line (after a success only; after a failure it holds only
// bad_start, the unknown handicap or passed_over). A move line numbered 0 or
// past the move after the last one read is passed over (a number not above it
// starts a variation there); `stop` keeps the first such line in `skipped`.
// A move line whose move is a word, not begun as a move is (with its
// destination or a side mark) nor holding a part of a move
// (kifu_holds_move_parts), is an end: a known end word gives its result
// (other programs' words too, kOtherProgramsEndWords), and any other word ends
// its line of play as 中断 does, `stop` keeping the first in unknown_end_line.
// A line of play has one end: the lines numbered behind it are not read,
// `stop` keeping the first in after_end_line. A 封じ手 followed by a line of
// its own number is a pause: that line's move goes on with the game and
// carries the word as its comment; otherwise it ends the line as 中断. The
// first closing line (まで64手で後手の勝ち) gives the main line, the line read
// first, its result when no end line did and the reading did not stop on it,
// as in KI2 (ki2_read_closing_line): a count that is not the main line's moves
// gives none, `stop` keeping that line in `closing`; words that tell no
// result end it as 中断, told in unknown_end_line. Lines without a number that
// are of no known kind are passed over and counted in `stop`'s passed_over, as
// are such lines of the header. A bookmark line is the bookmark of the move it
// follows (kifu_read_bookmark).
int kifu_read_kif(Kifu& kifu, TextReader& reader, bool merge, KifuReadStop* stop = nullptr);

// Writes the whole record: banner, header, start position, names, heading and
// every line of moves with times, analysis, comments, bookmarks and branch
// lines. 0.
int kifu_write_kif(const Kifu& kifu, TextWriter& writer);

// Writes the record's header with `kyokumen` as the start position and no
// moves. 0.
int kifu_write_kif_position(const Kifu& kifu, TextWriter& writer, const Kyokumen& kyokumen);

// Writes key "：" value as one header line; the value is kept on its line
// (append_line_text). Shared by the KIF and KI2 writers.
void kifu_write_header_line(TextWriter& writer, const char* key, const KString& value);

// Writes the date, title and event lines (when set) and every extra header
// line. A key that the header reader would take for something else (see
// kifu_header_key_is_plain) is written with "_" in front, so that it reads back
// as an extra header line. `ki2` marks too a key that the KI2 header reader
// takes for the closing line "まで..." (the KIF reader keeps it as a key).
void kifu_write_headers(const Kifu& kifu, TextWriter& writer, bool ki2 = false);

// Writes each line of `comment` as "*" and the line, trailing blanks cut; an
// empty last line is left out. Shared by the KIF and KI2 writers.
void kifu_write_comment(const KString& comment, TextWriter& writer);

// Writes the 手合割 line of `kyokumen` and, when it differs from that
// handicap's start position, the board diagram with both hands and the side to
// move. Shared by the KIF and KI2 writers.
void kifu_write_position_block(const Kyokumen& kyokumen, TextWriter& writer);

}  // namespace model
