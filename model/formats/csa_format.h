// CSA: the ASCII game-record format of computer shogi. Short statements (player
// names, position rows and hand lists, moves, move times, end words), several
// statements per line separated by commas, and "'" comment lines.
//
// The reader keeps the main line of a file as a record with its start position,
// names, move times, comments ("'*" lines, and the comment behind a move on its
// line) and the information lines ("$"), each in a record header field. The
// writers write the main line (the first alternative at every position) or one
// position without moves.
#pragma once

#include "model/text/kstring.h"

namespace model {

class Kifu;
struct KifuReadStop;
class TextReader;
class TextWriter;
struct Kyokumen;
struct Sashite;

// The end statements of a foul by sente and by gote: they name the side that
// lost by it, whichever side is to move.
inline constexpr const char* kCsaIllegalAction[2] = {"%+ILLEGAL_ACTION", "%-ILLEGAL_ACTION"};

// The end statement of a repetition lost by perpetual check of the side that
// has just moved, the side that gave the checks.
inline constexpr const char* kCsaOuteSennichite = "%OUTE_SENNICHITE";

// How the writers end a line of play, by the special code that tells the
// result from the side to move (special_code_for_side_to_move): the standard
// end statement that gives the same winner, which every CSA reader takes,
// with a word of comment behind it where the statement alone tells another
// kind of end, which this reader takes back (kCsaEndComments). A loss of no
// other kind is a resignation that says "lose"; a repetition lost by
// perpetual check of the side to move is a foul of that side that says who
// won. Codes without an entry (12 start of game, 13 take-back, 15
// resumption) are written as nothing; a foul, and a repetition lost by
// perpetual check of the side that has just moved, have end statements of
// their own (kCsaIllegalAction, kCsaOuteSennichite).
struct CsaEnd {
  int code;
  const char* statement;
  const char* word;  // null: no comment
};
inline constexpr CsaEnd kCsaEnds[] = {
    {1, "%TSUMI", nullptr},
    {2, "%TORYO", nullptr},
    {3, "%TIME_UP", nullptr},
    {4, "%TORYO", "lose"},
    {5, "%ILLEGAL_MOVE", nullptr},
    {7, "%KACHI", nullptr},
    {8, "%JISHOGI", nullptr},
    {9, "%SENNICHITE", "draw"},
    {10, kCsaIllegalAction[1], "sente win"},  // gote to move gave the checks
    {11, kCsaIllegalAction[0], "gote win"},   // sente to move gave the checks
    {14, "%CHUDAN", nullptr},
};

// The end statements with a word of comment that tell a result the statement
// alone does not: the forms the writers write (kCsaEnds), and those they
// wrote before, which stored files hold ("%CHUDAN,'lose" and
// "%SENNICHITE,'sente win", which give other programs no winner, and every
// result but resignation and repetition as %CHUDAN before that). The reader
// takes each back to its code.
inline constexpr CsaEnd kCsaEndComments[] = {
    {1, "%CHUDAN", "tsumi"},
    {3, "%CHUDAN", "timeout"},
    {4, "%TORYO", "lose"},
    {4, "%CHUDAN", "lose"},
    {5, "%CHUDAN", "lose(foul)"},
    {6, "%CHUDAN", "win(foul)"},
    {7, "%CHUDAN", "win"},
    {8, "%CHUDAN", "jishogi"},
    {9, "%SENNICHITE", "draw"},
    {10, kCsaIllegalAction[1], "sente win"},
    {10, "%SENNICHITE", "sente win"},
    {11, kCsaIllegalAction[0], "gote win"},
    {11, "%SENNICHITE", "gote win"},
};

// The line that the CSA and QVF writers put for special move `m` made where
// `to_move` is to move: the end statement, ",'" and the word when there is one,
// and a line feed; empty for codes written as nothing. The end statements name
// the side to move, so an end of the side that has just moved is told from the
// side to move (special_code_for_side_to_move); a foul as "%ILLEGAL_MOVE" when
// the side to move lost by it, else as "%+ILLEGAL_ACTION" or
// "%-ILLEGAL_ACTION", which name the side that lost by it.
KString csa_end_line(const Sashite& m, int to_move);

// The version line the writers put, which tells other programs that the file
// may hold information lines.
inline constexpr const char* kCsaVersionLine = "V2.2";

// The information lines ("$" and a keyword) that fill a record header field,
// and that the writers write for it: the event (棋戦) and the date (開始日時,
// the date field also of 対局日) have fields of their own, the others are
// extra header lines under the key the KIF header gives them.
struct CsaInfoLine {
  enum Field { kEvent, kDate, kExtra };
  const char* keyword;  // with the ":" that ends it
  Field field;
  const char* header_key;  // the extra header line's key (kExtra)
};
inline constexpr CsaInfoLine kCsaInfoLines[] = {
    {"$EVENT:", CsaInfoLine::kEvent, nullptr},       {"$SITE:", CsaInfoLine::kExtra, "場所"},
    {"$START_TIME:", CsaInfoLine::kDate, nullptr},   {"$END_TIME:", CsaInfoLine::kExtra, "終了日時"},
    {"$OPENING:", CsaInfoLine::kExtra, "戦型"},      {"$TIME_LIMIT:", CsaInfoLine::kExtra, "持ち時間"},
};

// Whether `c` may stand in the keyword of an information line: capitals,
// digits, "_", "+" and "-". An extra header line whose key is such a keyword
// (and none of kCsaInfoLines) came from an information line of its own, and
// the writers give it back as one ("$MAX_MOVES:256").
constexpr bool csa_info_keyword_char(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '+' || c == '-';
}

// The comment lines with which the writers put the header fields that have
// no information line, and with which they put every field before: "'=== "
// and the title, or the key of an extra header line, "：" and its value. The
// reader takes them back, and the date and the event of older files too.
inline constexpr const char* kCsaHeaderComment = "'=== ";
inline constexpr const char* kCsaTitleComment = "'=== Title:";
inline constexpr const char* kCsaOldDateComment = "'=== Game Date:";
inline constexpr const char* kCsaOldEventComment = "'=== Kisen:";

// What opens a comment line that belongs to the record: the comment of the
// move it follows, or before the first move the comment of the start.
inline constexpr const char* kCsaRecordComment = "'*";

// The line a CSA reader takes statements from: the rest of it, from `at`, is
// what follows the statements already taken.
struct CsaPending {
  KString line;
  int at = 0;
  // Whether the statement taken last is the first of its line: a comment that
  // opens its line is a comment line, one behind a statement is a comment on
  // that statement's line.
  bool opens_line = false;
};

// The next statement of `reader`, trimmed at both ends: true when one was
// produced, false at the end of the input. `pending` holds the current line;
// it starts empty for every new input, so nothing of one read reaches the next.
// Statements are split at "," (Shift-JIS aware); empty statements are skipped.
// A comment ("'") and an information line ("$" at the start of its line) run
// to the end of their line, commas included. Each statement costs time in its
// own length only, however many share a line.
bool csa_next_statement(TextReader& reader, CsaPending& pending, KString& statement);

// Parses a move or end statement against `kyokumen` (the position before it)
// into `m`: true for a move of the side its sign names, with the piece on its
// source square (or in that side's hand for a drop) and a piece name that is the
// moving piece or its promoted form, and for the end words %CHUDAN, %TORYO,
// %SENNICHITE, %OUTE_SENNICHITE, %TSUMI, %TIME_UP, %ILLEGAL_MOVE,
// %+ILLEGAL_ACTION, %-ILLEGAL_ACTION, %KACHI, %JISHOGI, %HIKIWAKE and
// %MAX_MOVES (a special move holding the king of the side to move, or of the
// side an ILLEGAL_ACTION names). The move's geometry is not checked here
// (Kyokumen::IsLegal does).
bool csa_parse_move_line(const KString& statement, Sashite& m, const Kyokumen& kyokumen);

// Reads a CSA record: 0, or -1 when the text holds no CSA statement that
// describes a game (names, a position, the side to move or a move), when a
// position statement is damaged (a cell or group names a piece it cannot
// place: the position would be another) or, with
// `strict` (clipboard text), when the header holds a statement that is no CSA
// statement (comments, version and information lines are CSA statements, and
// so are position statements). The start position is the even game changed
// by the position statements; one given by piece lists alone, without "PI"
// or rank rows, starts from the board without pieces. Bytes of a position
// statement that name no piece are an empty square, and those behind its
// ninth cell or last group are passed over, the line kept in `stop`'s
// stray_bytes; a statement of no known kind ("P" alone) is passed over as a
// line of no known kind.
// After a -1 that is not a start position breaking the rules, `stop` holds
// that position statement, or else the first statement that is no CSA
// statement, when there is one, in not_csa_line and not_csa_text. The record
// changes only on success: without `merge` the read record replaces it; with
// `merge` its line is grafted where its start position occurs in the record
// (-1, nothing added, when it occurs nowhere). A move that cannot be read or
// played ends the read, as does a move or end statement whose sign or "%" is
// missing or replaced ("7776FU", "TORYO"); the moves before it are kept, and
// `stop`, when given, receives the statement and its line (see KifuReadStop).
// Nothing behind it is read. A line that begins with "'" is a comment,
// whatever follows ("'TORYO"). A statement of no known kind among the moves is
// passed over, `stop` keeping the first in `passed_over` (with those of the
// header). An end statement that gives the record no result (%FUZUMI,
// %MATTA, %ERROR, or one this reader does not know) is passed over; `stop`
// keeps the first in `left_out_end`, and a time statement behind it times no
// move. An end the record keeps ends its moves: comments behind it are its
// own, and the first move or end statement behind it is told in
// `after_end_line` and `after_end`, and ends the read.
int kifu_read_csa(Kifu& kifu, TextReader& reader, bool merge, bool strict, KifuReadStop* stop = nullptr);

// Reads only the start position of a CSA text or file: rank rows, hand lists
// and the side to move, up to the first move, as kifu_read_csa reads them. 0,
// or -1 (`out` unchanged) when the text holds no position statement or a
// damaged one, the file cannot be read or is larger
// than kMaxRecordBytes, or the position is not a valid set-up (Kyokumen::Check).
// For a file, `read`, when given, receives how reading it went (a
// RecordFileResult: kRecordFileRead when it was read and the fault is its
// text) and `os_error` the system's reason of a kRecordFileSystemError.
int csa_read_position(TextReader& reader, Kyokumen& out);
int csa_read_position_file(const char* path, Kyokumen& out, int* read = nullptr, int* os_error = nullptr);

// Writes the record's names, header fields, start position and main line with
// move times and the comments of the start and of every move written; always 0.
int kifu_write_csa(const Kifu& kifu, TextWriter& writer);
// Writes the record's names and `kyokumen` as the start position, no moves;
// always 0.
int kifu_write_csa_position(const Kifu& kifu, TextWriter& writer, const Kyokumen& kyokumen);
// Appends the move statement of an ordinary move, "+7776FU": the mover's sign,
// the source square ("00" for a drop), the target square and the piece's CSA
// name after the move.
void csa_move_text(const Sashite& m, KString& out);
// The nine rank rows, one hand line per kind held, and the side to move.
void csa_write_position(const Kyokumen& kyokumen, TextWriter& writer);

}  // namespace model
