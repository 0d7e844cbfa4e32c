// The header of KIF and KI2 files: key "：" value lines, the handicap line, hand
// lines, a board diagram and the side to move, read into the start position and
// header fields of a record being built.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "model/formats/kif_format.h"
#include "model/position/kyokumen.h"
#include "model/record/kifu.h"
#include "model/text/kstring.h"
#include "model/text/text_stream.h"

namespace model {

// The heading line in front of a KIF move list, as the writer puts it.
inline constexpr const char* kKifMoveHeading = "手数----指手---------消費時間--";
// What every heading begins with: other programs write shorter forms, such as
// 手数----指手-- for a record without times.
inline constexpr const char* kKifMoveHeadingStart = "手数----指手";
// The separator between key and value of a header line.
inline constexpr const char* kHeaderSeparator = "：";

// The handicap names of the 手合割 line and the handicap bits they stand for.
struct TeaiwariName {
  const char* name;
  int32_t bits;
};
inline constexpr TeaiwariName kTeaiwariNames[] = {
    {"平手", kHirate},        {"香落ち", kKyoOchi},      {"角落ち", kKakuOchi},
    {"飛車落ち", kHishaOchi}, {"飛香落ち", kHiKyoOchi},  {"二枚落ち", kNimaiOchi},
    {"四枚落ち", kYonmaiOchi}, {"六枚落ち", kRokumaiOchi}, {"八枚落ち", kHachimaiOchi},
    {"十枚落ち", kJumaiOchi}, {"詰将棋", kNoSenteKing}, {"その他", kSonota},
};

// True for the handicap bits that name the sides 先手 and 後手 (an even game,
// or an even set-up without sente's king); every other value uses 下手 and 上手.
constexpr bool teaiwari_is_even(int32_t bits) { return bits == kHirate || bits == kNoSenteKing; }

// True when `line` (its leading blanks already cut) is a move-list heading.
bool kifu_is_move_heading(const KString& line);

// The record's header fields that key "：" value lines fill, as
// kifu_read_header reads them: 先手 and 下手 sente's name, 後手 and 上手 gote's,
// 対局日 and 開始日時 the date, 表題 the title and 棋戦 the event.
enum KifuHeaderField : int {
  kNoHeaderField = -1,
  kSenteNameField,
  kGoteNameField,
  kDateField,
  kTitleField,
  kEventField,
};
// The key of each field's own line as the KIF writers write it, by field
// (the names' keys of an even game; a handicap's are 下手 and 上手).
inline constexpr const char* kHeaderFieldKeys[] = {"先手", "後手", "対局日", "表題", "棋戦"};
// The field that a line of `key` fills, or kNoHeaderField.
int kifu_header_field(const KString& key);
// That field (kSenteNameField..kEventField) of a Kifu or a KifuBody.
template <typename Record>
auto& kifu_header_field_text(Record& record, int field) {
  switch (field) {
    case kSenteNameField: return record.names[0];
    case kGoteNameField: return record.names[1];
    case kDateField: return record.date;
    case kTitleField: return record.title;
    default: return record.event;
  }
}

// Fills the header fields of a record being read, line by line. A field that
// an earlier line gave takes the later line's value, as it always did, and the
// earlier line is kept as an extra header line under its own key, which the
// writers put in front of the field's own line (kifu_write_headers): nothing
// read is lost, and the record reads back as it was written.
class KifuHeaderFields {
 public:
  // Sets `field` (one of `body`'s names, date, title or event) to `value`
  // from a line of `key`.
  void Fill(KifuBody& body, KString& field, const KString& key, const KString& value);

 private:
  // Each field given so far, and the key of the line that gave it.
  std::vector<std::pair<const KString*, KString>> given_;
};

// True when a line of `key` (leading blanks cut), "：" and a value is read back
// by kifu_read_header as an extra header line with that key: false for the
// keys the header gives a meaning (手合割, hand lines, names, date, title,
// event) and for a key whose line the header takes for another kind of line (a
// comment, a diagram row, a skipped "#" line, a move, the move-list heading).
// Only the text before a "：" inside the key counts, as the reader splits there.
// With `stop_at_closing` (the KI2 header) a key that begins a closing line
// "まで..." is not plain either.
bool kifu_header_key_is_plain(const KString& key, bool stop_at_closing = false);

// Reads lines, trailing blanks cut, skipping empty lines and lines that begin
// with "#" (but not "#%"). 0 when a line was read, -1 at the end.
int kifu_next_line(TextReader& reader, KString& line);

// Reads a board diagram of nine rows into `kyokumen`: the first row is `line`,
// the others come from kifu_next_line. Behind the first "|" of a row stand nine
// cells (files 9 to 1) of a mark byte ("v" for gote) and a two-byte piece name
// or "・". 0, or -1 for a missing, short or bad row.
int kifu_read_board(TextReader& reader, Kyokumen& kyokumen, const KString& line);

// Reads header lines into `body` (the start position, root comment, names,
// date, title, event and extra header lines) up to the first line that is a
// KIF move-list heading or begins with a side mark ("▲", "△" or "▽"); that
// line is left in `line` (empty at the end of the input). At the end the piece
// box is recounted, and with a single king set up gote holds every piece that
// is neither on the board nor in a hand. -1 for a bad hand line or diagram;
// kHeaderUnknownHandicap for a 手合割 name outside kTeaiwariNames, `line` then
// holding that name (the line just read is the 手合割 line); kHeaderBadStart
// for a start position that Kyokumen::Check refuses. `fields`, when
// given, receives the number of lines that set something (key "：" value lines,
// diagrams and side-to-move lines), so that a reader can tell a header from
// text that holds none. With `stop_at_closing` a closing line "まで..." also
// ends the header: a KI2 record without moves has its result there, and so
// does a line that begins with a move word without its side mark
// (kifu_begins_move_without_mark), the first move line damaged. Every
// other line is passed over; `passed`, when given, notes those that are no
// part of a record (kifu_is_unread_record_line tells the others). A bookmark
// line is the start's bookmark (kifu_read_bookmark, which notes one the start
// cannot hold in `bookmarks`, when given).
inline constexpr int kHeaderBadStart = -2;
inline constexpr int kHeaderUnknownHandicap = -3;
int kifu_read_header(LineCountingReader& reader, KString& line, KifuBody& body, int* fields = nullptr,
                     bool stop_at_closing = false, KifuPassedOver* passed = nullptr,
                     KifuPassedOver* bookmarks = nullptr);

// Tells `stop` (when given) why a header failed with `header` (below 0) at
// line `line`: a start position that breaks the rules, or the unknown
// handicap `name`. The KIF, change-branch and KI2 readers report alike.
void kifu_header_failure(int header, int line, KString name, KifuReadStop* stop);

// A word that ends a line of play where a move stands, and the special move
// code it is read as.
struct KifEndWord {
  const char* text;
  int code;
};
// Other programs' words for results a record holds no code of its own for,
// each read by the KIF and change-branch readers as the nearest one: a win
// by an entering-king declaration (入玉勝ち, 宣言勝ち) and a win by default
// (不戦勝) as a win of the side to move, a loss by default (不戦敗) as its
// plain loss, an online server's loss on time (Time-up) as 切れ負け, and the
// sealed move that ends a day of a two-day game (封じ手) as an interruption.
// A sealed move followed by the move sealed is a pause, not an end: the
// readers go on with the game (kSealedMove).
inline constexpr const char* kSealedMove = "封じ手";
inline constexpr KifEndWord kOtherProgramsEndWords[] = {
    {"入玉勝ち", kKachi}, {"宣言勝ち", kKachi}, {"不戦勝", kKachi},
    {"不戦敗", kMake},    {"Time-up", kKireMake}, {kSealedMove, kChudan},
};

}  // namespace model
