// Reading CSA text: the statement reader, move and end statements, the header
// with names, information lines and the start position, comments, and the
// move list.
#include "model/formats/csa_format.h"
#include "model/formats/csa_position_lines.h"
#include "model/formats/kif_format.h"
#include "model/formats/kif_header.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

#include "model/position/kyokumen.h"
#include "model/position/piece_rules.h"
#include "model/record/kifu.h"
#include "model/text/byte_text.h"
#include "model/text/record_file.h"
#include "model/text/text_stream.h"

namespace model {

namespace {

// A field given twice keeps its earlier value (KifuHeaderFields) under the
// key of the KIF line that fills the same field (kHeaderFieldKeys), so that
// every writer gives the line back; $START_TIME's under the KIF key of a
// start time.
constexpr const char* kStartTimeKey = "開始日時";

// `field`'s KIF key as a KString.
KString field_key(int field) { return KString::KStringFromC(kHeaderFieldKeys[field]); }

// End statements, compared as prefixes, with the special codes they add and
// the side whose king the special move holds: the side to move, or the side
// the statement names (%-ILLEGAL_ACTION: gote's foul loses gote the game).
// The king is the loser's for a mate, a loss on time or a foul, the winner's
// for a declared win, as the writers read the codes back. A game stopped at
// the move limit is a draw, kept as the record's draw (引き分け is read so
// too). %OUTE_SENNICHITE is the repetition lost by perpetual check of the
// side that has just moved, the side that gave the checks: its code depends
// on the side to move (kCheckerJustMoved stands for it in the table).
constexpr int kSideToMove = -1;
constexpr int kCheckerJustMoved = -1;
struct EndWord {
  const char* word;
  int code;
  int side;
};
constexpr EndWord kEndWords[] = {
    {"%CHUDAN", kChudan, kSideToMove},
    {"%TORYO", kToryo, kSideToMove},
    {"%SENNICHITE", kSennichite, kSideToMove},
    {kCsaOuteSennichite, kCheckerJustMoved, kSideToMove},
    {"%TSUMI", kTsumi, kSideToMove},
    {"%TIME_UP", kKireMake, kSideToMove},
    {"%ILLEGAL_MOVE", kHansokuMake, kSideToMove},
    {kCsaIllegalAction[0], kHansokuMake, 0},
    {kCsaIllegalAction[1], kHansokuMake, 1},
    {"%KACHI", kKachi, kSideToMove},
    {"%JISHOGI", kJishogi, kSideToMove},
    {"%HIKIWAKE", kJishogi, kSideToMove},
    {"%MAX_MOVES", kJishogi, kSideToMove},
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }
// The side a sign byte names: 0 for "+", 1 for "-", -1 for any other byte.
int sign_side(char c) { return c == '+' ? 0 : c == '-' ? 1 : -1; }

// The decimal number after the "T" of a time statement, up to kMaxMoveSeconds.
int read_seconds(const KString& s) {
  int at = 1;
  return ByteText(s).Number(at, kMaxMoveSeconds);
}

// Moves `at` over blanks as KString::TrimLeft cuts them: ASCII blanks and
// full-width spaces.
void skip_blanks(const ByteText& t, int& at) {
  for (;;) {
    if (at + 1 < t.len && is_wide_space(t.p + at)) {
      at += 2;
    } else if (at < t.len && !is_lead_byte(t.At(at)) && is_narrow_blank(t.At(at))) {
      ++at;
    } else {
      return;
    }
  }
}

// The length of the `n` bytes at `text` once their trailing blanks are cut
// as KString::TrimRight cuts them, told from their end where it can be,
// without TrimRight's walk over all of them (a comment or a name may be
// long); -1 when only the walk tells, for a "@" left at the end (the second
// byte of a full-width space?). TrimRight takes a byte of 0x80 or more with
// the byte after it as one character, a blank too; a byte below 0x80 never
// begins a character, so the byte before the trailing blanks begins one when
// the bytes of 0x80 and more that end the rest are odd in number, and then
// keeps the first blank.
int trimmed_length(const char* text, int n) {
  const unsigned char* b = reinterpret_cast<const unsigned char*>(text);
  int kept = n;
  while (kept > 0 && is_narrow_blank(b[kept - 1])) --kept;
  if (kept > 0 && b[kept - 1] == '@') return -1;
  if (kept == 0 || kept == n) return kept;
  // Eight bytes at a time while all eight are 0x80 or more (a Shift-JIS
  // text may run to a megabyte of them), then byte by byte.
  constexpr uint64_t kHighBits = 0x8080808080808080u;
  int high = 0;
  for (uint64_t word; high + 8 <= kept; high += 8) {
    std::memcpy(&word, b + kept - high - 8, sizeof word);
    if ((word & kHighBits) != kHighBits) break;
  }
  while (high < kept && is_lead_byte(b[kept - 1 - high])) ++high;
  return high % 2 == 1 ? kept + 1 : kept;
}

// The special code of the end statement `s` (whose code is `code`) with the
// writers' own comment behind it on the same line (kCsaEndComments):
// "%CHUDAN,'tsumi" is a mate, "%SENNICHITE,'sente win" a repetition won by
// sente; that comment is taken with it, as it is no comment of the record.
// Any other comment, or none, leaves the code of the statement.
int end_code_with_comment(const KString& s, int code, CsaPending& pending) {
  const ByteText t(pending.line);
  int at = pending.at;
  skip_blanks(t, at);
  if (t.At(at) != '\'') return code;
  KString word;
  word.AssignBytes(t.p + at + 1, t.len - at - 1);
  word.TrimRight();
  for (const CsaEnd& e : kCsaEndComments) {
    if (s == e.statement && word == e.word) {
      pending.at = t.len;
      return e.code;
    }
  }
  return code;
}

// What joins the lines of a record's comment, as the KIF reader joins them.
constexpr char kCommentLineBreak[] = "\r\n";

bool starts_with(const KString& s, const char* word) { return std::strncmp(s.c_str(), word, std::strlen(word)) == 0; }

// Appends `n` bytes of `text` to `comment` as its next line; an empty comment
// takes the line as it is.
void add_comment_line(KString& comment, const char* text, int n) {
  if (!comment.empty()) comment.AppendBytes(kCommentLineBreak, sizeof kCommentLineBreak - 1);
  comment.AppendBytes(text, n);
}

// The comment statement `s` (it begins with "'") on the record's comment
// `comment` (that of the move it follows, or of the start): a comment line
// "'*" adds its text; a comment behind a statement on its line (the writers'
// ",'" on a move line) adds its text and is continued by the plain comment
// lines right below it (`continued`), as older files hold a comment of
// several lines; any other comment line is no part of the record.
void read_comment(const KString& s, const CsaPending& pending, KString& comment, bool& continued) {
  const char* p = s.c_str();
  if (!pending.opens_line) {
    add_comment_line(comment, p + 1, s.length() - 1);
    continued = true;
  } else if (starts_with(s, kCsaRecordComment)) {
    add_comment_line(comment, p + 2, s.length() - 2);
    continued = false;
  } else if (continued) {
    add_comment_line(comment, p + 1, s.length() - 1);
  }
}

// Whether `s` is a version line: "V" and its number ("V2", "V2.2").
bool is_version_line(const KString& s) { return s.c_str()[0] == 'V' && is_digit(s.c_str()[1]); }

// Whether `s` is a time statement: "T" and the seconds, with a fraction or
// without ("T12", "T0.5").
bool is_time_statement(const KString& s) {
  const char* p = s.c_str();
  if (p[0] != 'T' || !is_digit(p[1])) return false;
  int at = 1;
  while (is_digit(p[at])) ++at;
  if (p[at] == '.') {
    ++at;
    while (is_digit(p[at])) ++at;
  }
  return at == s.length();
}

// Whether the `n` bytes at `p` are what a move statement holds behind its
// sign: two squares and a piece's CSA name ("7776FU"), alone or followed by
// the "," of the statements behind it (a comment or an information line runs
// over them), blanks between.
bool is_move_body(const char* p, int n) {
  if (n < 6) return false;
  int end = 6;
  while (end < n && p[end] == ' ') ++end;
  if (end < n && p[end] != ',') return false;
  for (int i = 0; i < 4; ++i) {
    if (!is_digit(p[i])) return false;
  }
  if (is_lead_byte(static_cast<unsigned char>(p[4]))) return false;  // a CSA name, not a kanji
  Koma k{0};
  return k.ParseName(p + 4) == 2 && !type_is_empty(k.Type());
}

// Likewise what an end statement holds behind its "%" ("TORYO").
bool is_end_body(const char* p, int n) {
  for (const EndWord& e : kEndWords) {
    const int w = static_cast<int>(std::strlen(e.word)) - 1;
    if (n >= w && std::memcmp(p, e.word + 1, static_cast<size_t>(w)) == 0 && (n == w || p[w] == ',')) return true;
  }
  return false;
}

// Whether `s` is a move or end statement whose sign or "%" is missing or was
// replaced by another character ("7776FU", "*7776FU", "TORYO"). Read as some
// other statement or passed over, it would leave a move out, give a result
// to the other side, or time or comment another move.
bool is_damaged_move(const KString& s) {
  const char* p = s.c_str();
  const int n = s.length();
  if (is_move_body(p, n) || is_end_body(p, n)) return true;
  const int first = is_lead_byte(static_cast<unsigned char>(p[0])) && n > 1 ? 2 : 1;
  return n > first && (is_move_body(p + first, n - first) || is_end_body(p + first, n - first));
}

// Reads the information line `s` into the header fields of `body`: the
// keywords of kCsaInfoLines fill their fields, and any other keyword is kept
// as an extra header line under its own name ("$MAX_MOVES:256" as MAX_MOVES),
// which the writers give back as the same information line. A field given
// before is set aside by `fields` (KifuHeaderFields). False when `s` is no
// information line: "$", a keyword (csa_info_keyword_char) and ":".
bool read_info_line(const KString& s, KifuBody* body, KifuHeaderFields& fields) {
  const char* p = s.c_str();
  int at = 1;
  while (csa_info_keyword_char(p[at])) ++at;
  if (at == 1 || p[at] != ':') return false;
  if (!body) return true;
  KString value;
  value.AssignBytes(p + at + 1, s.length() - at - 1);
  for (const CsaInfoLine& info : kCsaInfoLines) {
    if (!starts_with(s, info.keyword)) continue;
    if (info.field == CsaInfoLine::kEvent) {
      fields.Fill(*body, body->event, field_key(kEventField), value);
    } else if (info.field == CsaInfoLine::kDate) {
      fields.Fill(*body, body->date, KString::KStringFromC(kStartTimeKey), value);
    } else {
      body->headers.Add(KString::KStringFromC(info.header_key));
      body->headers.Add(value);
    }
    return true;
  }
  KString key;
  key.AssignBytes(p + 1, at - 1);
  body->headers.Add(key);
  body->headers.Add(value);
  return true;
}

// Reads a comment line that opens its line in the header: "'*" adds to the
// start's comment; the writers' header comments ("'=== ") give back the
// title, an extra header line ("'=== " key "：" value), and, from older
// files, the date and the event (a field given before is set aside by
// `fields`). Other comment lines are passed over.
void read_header_comment(const KString& s, KifuBody& body, KifuHeaderFields& fields) {
  const char* p = s.c_str();
  if (starts_with(s, kCsaRecordComment)) {
    add_comment_line(body.root->comment, p + 2, s.length() - 2);
    return;
  }
  if (!starts_with(s, kCsaHeaderComment)) return;
  const struct {
    const char* label;
    KString& field;
    int key_field;  // whose KIF key a line set aside takes
  } labelled[] = {{kCsaTitleComment, body.title, kTitleField},
                  {kCsaOldDateComment, body.date, kDateField},
                  {kCsaOldEventComment, body.event, kEventField}};
  for (const auto& f : labelled) {
    if (!starts_with(s, f.label)) continue;
    const int n = static_cast<int>(std::strlen(f.label));
    KString value;
    value.AssignBytes(p + n, s.length() - n);
    fields.Fill(body, f.field, field_key(f.key_field), value);
    return;
  }
  KString line;
  const int n = static_cast<int>(std::strlen(kCsaHeaderComment));
  line.AssignBytes(p + n, s.length() - n);
  KString value;
  if (line.AfterN(kHeaderSeparator, value) < 0) return;  // the banner lines
  body.headers.Add(line);
  body.headers.Add(value);
}

// What the header part of a read found.
struct CsaHeader {
  // The start position: the even game, changed by the position statements.
  Kyokumen start;
  // The same statements from the board without pieces: the start of a text
  // whose position is given by piece lists alone (`lists` without `board`).
  Kyokumen from_empty;
  bool board = false;  // a rank row or "PI"
  bool lists = false;  // a piece list that is not empty
  // The record being read, which takes the names, the header fields and the
  // start's comment; null when only the position is read.
  KifuBody* body = nullptr;
  bool named = false;   // a name statement
  bool placed = false;  // a rank row, a piece list, "PI" or the side to move
  KString first_move;   // the statement that ended the header (empty at the end)
  // The statements of no kind the reader knows, the first kept: passed over
  // in a record, the reason why a text is none.
  KifuPassedOver passed;
  // The header fields given so far, so that one given again sets the
  // earlier value aside rather than lose it.
  KifuHeaderFields fields;
  // The position statements read with bytes that name no piece passed over.
  KifuPassedOver stray;
  // A position statement that could not be read whole, or in strict mode
  // the statement that is no CSA statement: its line (0: none) and the
  // statement. The first list that only the reading from the empty board
  // cannot read (a hand past a full set after "00AL") is kept apart, as it
  // counts only when that reading is the start.
  int bad_line = 0;
  KString bad_text;
  int bad_from_empty_line = 0;
  KString bad_from_empty_text;
};

// Reads the position statement `s` of line `line` into the start and, for a
// piece list, into the reading from the empty board. False at a damaged
// statement (`bad_line`); bytes passed over are told in `passed`.
bool read_position_statement(const KString& s, int line, CsaHeader& h) {
  CsaPositionKind kind;
  const CsaLineRead read = csa_read_position_line(s, h.start, kind);
  if (read == CsaLineRead::kDamaged) {
    h.bad_line = line;
    h.bad_text = s;
    return false;
  }
  if (kind == CsaPositionKind::kPieceList && h.bad_from_empty_line == 0 &&
      csa_read_position_line(s, h.from_empty, kind) == CsaLineRead::kDamaged) {
    h.bad_from_empty_line = line;
    h.bad_from_empty_text = s;
  }
  h.board = h.board || kind == CsaPositionKind::kRankRow || kind == CsaPositionKind::kInitial;
  // An empty list ("P+" alone) gives no position: the start stays the even
  // game's, as before.
  constexpr int kEmptyList = 2;  // "P+" or "P-" alone
  h.lists = h.lists || (kind == CsaPositionKind::kPieceList && s.length() > kEmptyList);
  h.placed = h.placed || kind != CsaPositionKind::kNone;
  if (read == CsaLineRead::kStray) (kind == CsaPositionKind::kNone ? h.passed : h.stray).Note(line, s);
  return true;
}

// Reads statements up to the first move, end or time statement, or a move or
// end statement whose sign was lost (is_damaged_move), which the move list
// stops at. Names count only before the first position statement. -1 at a
// position statement that cannot be read whole (`bad_line`), and with
// `strict` at a statement that is no CSA header statement.
int read_header_statements(LineCountingReader& reader, CsaPending& pending, bool strict, CsaHeader& h) {
  bool seen_position = false;
  KString s;
  while (csa_next_statement(reader, pending, s)) {
    const char* p = s.c_str();
    const char second = s.length() > 1 ? p[1] : '\0';
    bool known = true;
    switch (p[0]) {
      case 'N':
        if (sign_side(second) < 0) {
          known = false;
        } else {
          h.named = true;
          if (!seen_position && h.body) {
            const int side = sign_side(second);
            KString name;
            name.AssignBytes(p + 2, s.length() - 2);
            h.fields.Fill(*h.body, h.body->names[side], field_key(kSenteNameField + side), name);
          }
        }
        break;
      case 'P':
        seen_position = true;
        if (!read_position_statement(s, reader.lines(), h)) return -1;
        break;
      case '+':
      case '-':
        if (s.length() == 1) {
          h.start.teban = h.from_empty.teban = sign_side(p[0]);
          h.placed = true;
          break;
        }
        h.first_move = std::move(s);
        return 0;
      case '%':
      case 'T':
        h.first_move = std::move(s);
        return 0;
      case '\'':
        // A comment line, whatever it says ("'TORYO" too).
        if (pending.opens_line && h.body) read_header_comment(s, *h.body, h.fields);
        break;
      default:
        // "V7776FU" is a move whose sign became a "V", not a version line.
        known = p[0] == '$' ? read_info_line(s, h.body, h.fields) : is_version_line(s) && !is_damaged_move(s);
        break;
    }
    if (known) continue;
    if (is_damaged_move(s)) {
      h.first_move = std::move(s);
      return 0;
    }
    h.passed.Note(reader.lines(), s);
    if (strict) {
      h.bad_line = reader.lines();
      h.bad_text = std::move(s);
      return -1;
    }
  }
  return 0;
}

// Reads the header (read_header_statements) and sets up its start: a
// position given by piece lists alone starts from the board without pieces,
// any other from the even game.
int read_header(LineCountingReader& reader, CsaPending& pending, bool strict, CsaHeader& h) {
  h.start.Init(kHirate);
  csa_empty_start(h.from_empty);
  if (read_header_statements(reader, pending, strict, h) != 0) return -1;
  if (!h.lists || h.board) return 0;
  if (h.bad_from_empty_line != 0) {
    h.bad_line = h.bad_from_empty_line;
    h.bad_text = std::move(h.bad_from_empty_text);
    return -1;
  }
  h.start.Copy(h.from_empty);
  return 0;
}

// Adds `m` behind `current` as the first and selected alternative, never
// joined to another position; null when the record refuses it.
KifuSashite* add_move(KifuSashite* current, const Sashite& m, KifuBody& body) {
  return Kifu::AddSashiteAtPos(current->to, m, 0, nullptr, 0, body.table.get(), KifuChooser::kNever, true);
}

}  // namespace

bool csa_next_statement(TextReader& reader, CsaPending& pending, KString& statement) {
  bool opens_line = false;
  for (;;) {
    while (pending.at >= pending.line.length()) {
      pending.at = 0;
      opens_line = true;
      if (reader.GetLine(pending.line) != 0) {
        statement.Free();
        return false;
      }
    }
    const ByteText t(pending.line);
    int at = pending.at;
    skip_blanks(t, at);
    int end = at;
    if (t.At(at) == '\'' || (t.At(at) == '$' && opens_line)) {
      end = t.len;  // a comment or an information line: the rest of the line
    } else {
      while (end < t.len && t.At(end) != ',') end += is_lead_byte(t.At(end)) && end + 1 < t.len ? 2 : 1;
    }
    pending.at = end < t.len ? end + 1 : t.len;
    const int kept = trimmed_length(t.p + at, end - at);
    statement.AssignBytes(t.p + at, kept < 0 ? end - at : kept);
    if (kept < 0) statement.TrimRight();
    if (!statement.empty()) {
      pending.opens_line = opens_line;
      return true;
    }
  }
}

bool csa_parse_move_line(const KString& statement, Sashite& m, const Kyokumen& kyokumen) {
  const char* p = statement.c_str();
  const int side_to_move = kyokumen.teban == 0 ? 0 : 1;
  if (p[0] == '%') {
    for (const EndWord& e : kEndWords) {
      if (std::strncmp(p, e.word, std::strlen(e.word)) == 0) {
        const int side = e.side == kSideToMove ? side_to_move : e.side;
        int code = e.code;
        if (code == kCheckerJustMoved) code = side_to_move == 0 ? kSennichiteGoteOute : kSennichiteSenteOute;
        m.Set(0, 0, 0, 0, kOu | (side ? kGoteBit : 0), 0, 0, code);
        return true;
      }
    }
    return false;
  }
  const int side = sign_side(p[0]);
  if (side < 0 || statement.length() < 7) return false;
  for (int i = 1; i <= 4; ++i) {
    if (!is_digit(p[i])) return false;
  }
  const int fx = p[1] - '0', fy = p[2] - '0', tx = p[3] - '0', ty = p[4] - '0';
  if (tx < 1 || ty < 1) return false;
  const int named = csa_piece_type_at(statement, 5);
  if (named == kEmpty) return false;
  const int side_bit = side ? kGoteBit : 0;

  int from_x = fx, from_y = fy;
  Koma piece{0};
  if (fx == 0 && fy == 0) {
    // A drop, which needs the piece in the hand.
    if (named < kFu || named > kHi || kyokumen.mochigoma[side][named] < 1) return false;
    from_x = side ? kGoteHand : kSenteHand;
    from_y = named;
    piece.Set(named | side_bit);
  } else if (fx >= 1 && fy >= 1) {
    piece = kyokumen.At(fx, fy);
  } else {
    return false;
  }
  if (piece.Side() != side) return false;
  int nari = 0;
  if (named != piece.Type()) {
    // Only the promoted form of the moving piece may be named instead.
    if (named < kTo || (named & 7) != piece.Type()) return false;
    nari = 1;
  }
  const Koma captured = kyokumen.At(tx, ty);
  if (captured.Side() == side) return false;
  m.Set(from_x, from_y, tx, ty, piece.code, captured.Side() >= 0 ? captured.code : 0, nari,
        kOrdinaryMove);
  return true;
}

int kifu_read_csa(Kifu& kifu, TextReader& in, bool merge, bool strict, KifuReadStop* stop) {
  if (stop) *stop = KifuReadStop{};
  LineCountingReader reader(in);
  CsaPending pending;  // local to this read: nothing of it outlives the read
  KifuBody body;
  CsaHeader header;
  header.body = &body;
  const auto refuse = [&]() {
    if (stop && header.bad_line != 0) {
      stop->not_csa_line = header.bad_line;
      stop->not_csa_text = std::move(header.bad_text);
    } else if (stop) {
      stop->not_csa_line = header.passed.line;
      stop->not_csa_text = std::move(header.passed.text);
    }
    return -1;
  };
  if (read_header(reader, pending, strict, header) != 0) return refuse();

  KifuKyokumen* start = body.Start();
  header.start.CalcTeaiwari();
  // A position from outside is used only when it is a possible set-up.
  if (!header.start.Check()) {
    if (stop) stop->bad_start = true;
    return -1;
  }
  start->kyokumen.Copy(header.start);
  body.table->Rehash(start);

  // The move list: the statement that ended the header first. Comments go to
  // the move they follow (the start's before the first move); a time
  // statement times the move right before it, not one behind an end that
  // was passed over. The list stops at a move that cannot be read or played,
  // a move or end whose sign was lost among them (is_damaged_move): nothing
  // behind it is read, so no time or comment lands on the move before it and
  // no end word on the wrong side.
  KifuSashite* current = body.root.get();
  KifuSashite* timed = nullptr;
  bool continued = false;  // plain comment lines continue a comment on a move line
  bool ended = false;      // an end the record keeps was read
  bool added = false;
  KifuReadStop stopped;
  KString s = std::move(header.first_move);
  for (bool more = !s.empty(); more; more = csa_next_statement(reader, pending, s)) {
    const char first = s.c_str()[0];
    const bool comment = first == '\'';
    const bool time = is_time_statement(s);
    const bool signed_statement = first == '%' || first == '+' || first == '-';
    // A comment is the record's or no part of it, whatever it says.
    const bool damaged = !signed_statement && !time && !comment && is_damaged_move(s);
    if (comment) {
      read_comment(s, pending, current->comment, continued);
      continue;
    }
    continued = false;
    if (time) {
      if (timed && !ended) timed->seconds = read_seconds(s);
      continue;
    }
    if (!signed_statement && !damaged) {
      // Information lines fill the header wherever they stand; names,
      // positions and version lines say nothing here. Anything else is of
      // no known kind, and told.
      if (first == '$' ? read_info_line(s, &body, header.fields) : first == 'N' || first == 'P' || is_version_line(s)) {
        continue;
      }
      header.passed.Note(reader.lines(), s);
      continue;
    }
    if (ended) {
      // Nothing is played after the end of the game; a lone sign (the side
      // to move) plays nothing.
      if (s.length() == 1 && first != '%') continue;
      stopped.after_end_line = reader.lines();
      stopped.after_end = s;
      break;
    }
    Sashite m;
    const Kyokumen& pos = current->to->kyokumen;
    if (damaged || !csa_parse_move_line(s, m, pos)) {
      if (first == '%' && !is_damaged_move(s)) {
        // An end the record holds no result for: read on behind it, as the
        // moves may go on.
        if (stopped.left_out_end_line == 0) {
          stopped.left_out_end_line = reader.lines();
          stopped.left_out_end = s;
        }
        timed = nullptr;
        continue;
      }
      stopped.line = reader.lines();  // the record ends before it
      stopped.text = s;
      break;
    }
    if (m.special != kOrdinaryMove) m.special = end_code_with_comment(s, m.special, pending);
    // The position refuses a move that breaks the rules (Kyokumen::DoSashite
    // checks it strictly), and a move that takes a king leaves no possible
    // position; the record then ends before it.
    KifuSashite* move = nullptr;
    if (m.special == kOrdinaryMove) {
      Kyokumen next = pos;
      if (next.DoSashite(m) && next.Check()) move = add_move(current, m, body);
    } else {
      move = add_move(current, m, body);
    }
    if (!move) {
      stopped.line = reader.lines();
      stopped.text = s;
      break;
    }
    current = move;
    timed = move;
    added = true;
    ended = first == '%';
  }
  if (!header.named && !header.placed && !added) return refuse();
  stopped.passed_over = std::move(header.passed);
  stopped.stray_bytes = std::move(header.stray);
  const int result = kifu.TakeOver(std::move(body), merge);
  if (result == 0 && stop) *stop = std::move(stopped);
  return result;
}

int csa_read_position(TextReader& in, Kyokumen& out) {
  LineCountingReader reader(in);
  CsaPending pending;
  CsaHeader header;
  if (read_header(reader, pending, false, header) != 0 || !header.placed) return -1;
  header.start.CalcTeaiwari();
  if (!header.start.Check()) return -1;
  out.Copy(header.start);
  return 0;
}

int csa_read_position_file(const char* path, Kyokumen& out, int* read, int* os_error) {
  std::string bytes;
  int error = 0;
  const int result = read_record_file(path, bytes, &error);
  if (read) *read = result;
  if (os_error) *os_error = error;
  if (result != kRecordFileRead) return -1;
  MemTextReader reader(bytes.data(), static_cast<int>(bytes.size()));
  return csa_read_position(reader, out);
}

}  // namespace model
