// Reading the change-branch layout of KIF: the header and the compulsory board
// block into the start position, then the move lines, change lines, result
// words and comments into a record graph that no two lines share.
#include "model/formats/kif_henka_reader.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "model/formats/board_block.h"
#include "model/formats/ki2_closing.h"
#include "model/formats/kif_header.h"
#include "model/formats/kifu_bookmark.h"
#include "model/formats/kifu_line_kinds.h"
#include "model/formats/move_text_parser.h"
#include "model/text/byte_text.h"

namespace model {

namespace {

constexpr const char* kSenteMark = "▲";
constexpr const char* kGoteMark = "△";
// Another program's gote mark, which this layout does not take: a line that
// begins with it is a move that cannot be read.
constexpr const char* kOtherGoteMark = "▽";
constexpr const char* kChangeWord = "変化";
// The number of a change line begins behind "変化：", six bytes from its start.
constexpr int kChangeNumberOffset = 6;
constexpr const char* kMakeWord = "MAKE";
// The closing sentence (まで11手で先手の勝ち): its count of moves checks its
// line of play, and its words give the result where no result word did.
constexpr const char* kClosingWord = "まで";
constexpr const char* kCommentBreak = "\r\n";
// Change numbers beyond this are read as this (no record is that long).
constexpr int kChangeCap = 1 << 30;

struct SideText {
  const char* text;
  int side;
};
constexpr SideText kTebanLines[] = {{"先手番", 0}, {"下手番", 0}, {"後手番", 1}, {"上手番", 1}};
constexpr SideText kNameKeys[] = {{"先手", 0}, {"下手", 0}, {"後手", 1}, {"上手", 1}};

// Result words that stand on a line of their own, tested as prefixes in this
// order (so 切れ負け and 反則負け are met before 負け). The losses and wins name
// the side to move by its king; the draws carry no piece. Then
// kOtherProgramsEndWords, read as the KIF reader reads them.
struct ResultWord {
  const char* text;
  int code;
  bool king;
};
constexpr ResultWord kResultWords[] = {
    {"中断", kChudan, true},        {"詰み", kTsumi, true},
    {"投了", kToryo, true},         {"切れ負け", kKireMake, true},
    {"反則負け", kHansokuMake, true}, {"反則勝ち", kHansokuKachi, true},
    {"負け", kMake, true},          {"勝ち", kKachi, true},
    {"千日手", kSennichite, false}, {"引き分け", kJishogi, false},
    {"持将棋", kJishogi, false},
};

// True when `line` holds exactly the bytes of `text`.
bool is_text(const KString& line, const char* text) {
  return line.length() == static_cast<int>(std::strlen(text)) && line == text;
}

// Applies one header line to the record being built, its fields through
// `fields`; -1 for a line that is neither a side-to-move line nor key "："
// value, kHeaderUnknownHandicap (the name left in `line`) for an unknown
// handicap.
int apply_header_line(KString& line, KifuBody& body, KifuHeaderFields& fields) {
  Kyokumen& start = body.Start()->kyokumen;
  KString value;
  if (line.AfterN(kHeaderSeparator, value) < 0) {
    for (const SideText& s : kTebanLines) {
      if (is_text(line, s.text)) {
        start.teban = s.side;
        return 0;
      }
    }
    return -1;
  }
  const KString& key = line;
  if (is_text(key, "手合割")) {
    for (const TeaiwariName& t : kTeaiwariNames) {
      if (is_text(value, t.name)) {
        start.Init(t.bits);  // also sets the side to move of that handicap
        return 0;
      }
    }
    line = value;
    return kHeaderUnknownHandicap;
  }
  for (const SideText& s : kNameKeys) {
    if (is_text(key, s.text)) {
      fields.Fill(body, body.names[s.side], key, value);
      return 0;
    }
  }
  if (is_text(key, "対局日") || is_text(key, "開始日付")) {
    fields.Fill(body, body.date, key, value);
  } else if (is_text(key, "表題")) {
    fields.Fill(body, body.title, key, value);
  } else if (is_text(key, "棋戦")) {
    fields.Fill(body, body.event, key, value);
  } else {
    body.headers.Add(key);
    body.headers.Add(value);
  }
  return 0;
}

// Reads the header, the board block and the empty line behind it into the
// start position of `body` and enters the start node into the table. 0, -1,
// kHeaderUnknownHandicap with the name in `handicap`, or kHeaderBadStart for
// a start position the rules refuse.
int read_start(TextReader& reader, KifuBody& body, KString& handicap) {
  KString line;
  KifuHeaderFields fields;
  for (;;) {
    if (kifu_read_data_line(reader, line) < 0) return -1;
    if (line.empty()) break;
    const int applied = apply_header_line(line, body, fields);
    if (applied == kHeaderUnknownHandicap) handicap = line;
    if (applied < 0) return applied;
  }
  Kyokumen& start = body.Start()->kyokumen;
  const int32_t named = start.teaiwari;
  if (kifu_read_board_block(reader, start) < 0) return -1;
  // The diagram must be a known set-up (not necessarily the one named) unless
  // the header said その他; either way it must be a position the rules accept,
  // as every position of a record is.
  start.CalcTeaiwari();
  if (start.teaiwari == kSonota && named != kSonota) return -1;
  if (!start.Check()) return kHeaderBadStart;
  if (kifu_read_data_line(reader, line) < 0 || !line.empty()) return -1;
  body.table->Rehash(body.Start());
  return 0;
}

// The number of a change line as the C library reads a decimal: blanks, a
// sign and the digits up to the first other byte; 0 when there are none.
int change_number(const ByteText& t, int at) {
  while (t.At(at) == ' ' || (t.At(at) >= '\t' && t.At(at) <= '\r')) ++at;
  const bool negative = t.At(at) == '-';
  if (t.At(at) == '-' || t.At(at) == '+') ++at;
  const int n = t.Number(at, kChangeCap);
  return negative ? -n : n;
}

// Builds the graph from the body lines. The current move is the last element
// of the path from the root; the position after it is its node's position.
class HenkaMoveReader {
 public:
  HenkaMoveReader(KifuBody& body, const LineCountingReader& lines) : body_(body), lines_(lines) {
    path_.push_back(body.root.get());
  }

  // Takes one line (trailing blanks cut); false when the reading ends at it.
  bool ReadLine(KString& line) {
    if (line.c_str()[0] == '*') {
      Comment(line);
      return true;
    }
    line.TrimLeft();
    // A bookmark, like a comment, is the current move's.
    if (kifu_is_bookmark_line(line)) {
      kifu_read_bookmark(Current()->bookmark, line, lines_.lines(), bookmarks_);
      return true;
    }
    const ByteText t(line);
    int at = 0;
    while (t.At(at) == '|') ++at;
    if (t.Has(at, kMakeWord)) return true;
    if (t.Has(at, kClosingWord)) {
      Closing(line, at);
      return true;
    }
    if (t.Has(at, kChangeWord)) {
      PlaceSeal();
      Change(line, change_number(t, at + kChangeNumberOffset));
      return true;
    }
    for (const ResultWord& w : kResultWords) {
      if (t.Has(at, w.text)) return Result(line, w.code, w.king);
    }
    for (const KifEndWord& w : kOtherProgramsEndWords) {
      if (!t.Has(at, w.text)) continue;
      if (std::strcmp(w.text, kSealedMove) != 0) return Result(line, w.code, true);
      if (ended_) {
        NoteAfterEnd(line);
      } else {
        sealed_ = true;
      }
      return true;
    }
    const bool sente = t.Has(at, kSenteMark);
    const bool marked = sente || t.Has(at, kGoteMark);
    if (!marked && !t.Has(at, kOtherGoteMark)) {
      if (t.len == 0) return true;
      // A line of no known kind that holds the parts of a move is a move
      // that cannot be read: the reading ends there. Any other is told.
      if (kifu_holds_move_parts(t, at)) return Stop();
      if (!kifu_is_unread_record_line(t)) passed_over_.Note(lines_.lines(), line);
      return true;
    }
    if (ended_) {
      NoteAfterEnd(line);
      return true;
    }
    // A move whose mark is not the side to move's, or another program's gote
    // mark, cannot be read either: passed over, it would leave its move out,
    // and the moves and the result behind it would make another game.
    if (!marked || (sente ? 0 : 1) != Position().teban || !Move(line, at)) return Stop();
    Resume(Current());
    return true;
  }

  // The first closing line whose count is not its line's moves.
  KifuClosingMismatch& closing() { return closing_; }
  // The closing words that tell no known result: the first and their count.
  KifuPassedOver& unknown_ends() { return unknown_ends_; }

  // At the end of the text: a sealed move that nothing followed ends its
  // line as an interruption, a closing line's result its line.
  void Finish() {
    PlaceSeal();
    PlaceClosing();
  }

  // The first change line that was passed over.
  KifuSkippedLine& skipped() { return skipped_; }
  // The lines of no known kind that were passed over.
  const KifuPassedOver& passed_over() const { return passed_over_; }
  // The bookmark lines that no move could hold.
  const KifuPassedOver& bookmarks_passed() const { return bookmarks_; }
  // The first line behind an end that was not read, and its text.
  KifuPassedOver& after_end_lines() { return after_end_lines_; }
  // Moves read, variations included (results not counted).
  int moves() const { return moves_; }

 private:
  KifuSashite* Current() const { return path_.back(); }
  int Ply() const { return static_cast<int>(path_.size()) - 1; }
  const Kyokumen& Position() const { return Current()->to->kyokumen; }

  void Comment(const KString& line) {
    KString& comment = Current()->comment;
    if (!comment.empty()) comment.Append(kCommentBreak);
    comment.AppendBytes(line.c_str() + 1, line.length() - 1);
  }

  // Goes back to the position before move n of the current line. A number
  // outside the line cannot be placed: the line is passed over, and the
  // moves behind it go on from the current move.
  void Change(const KString& line, int n) {
    if (n < 1 || n > Ply()) {
      const KifuSkippedLine::Why why =
          n < 1 ? KifuSkippedLine::kVariationBelowOne : KifuSkippedLine::kVariationAhead;
      skipped_.Note(lines_.lines(), line, why, Ply());
      return;
    }
    PlaceClosing();
    while (n <= Ply()) path_.pop_back();
    ended_ = false;
    result_ = nullptr;
  }

  // A closing line whose count of moves is not the line's: a move line was
  // lost or added on the way, so the result word read before it may be the
  // other side's. That result is taken back. Otherwise, on a line that no
  // result word (nor a sealed move) ended, the closing gives the result as in
  // KI2 when its line ends (PlaceClosing).
  void Closing(const KString& line, int at) {
    const Ki2Closing closing = ki2_read_closing_line(line, at, Ply(), Position().teban == 0 ? 0 : 1);
    if (closing.kind != Ki2Closing::kMismatch) {
      if (ended_ || sealed_ || closing.kind == Ki2Closing::kNothing) return;
      closing_end_ = closing;
      closing_end_line_ = lines_.lines();
      return;
    }
    closing_.Note(lines_.lines(), line, closing.count, Ply());
    if (!result_) return;
    KifuKyokumen* at_end = Current()->to;
    for (int i = 0; i < at_end->next.Count(); ++i) {
      if (at_end->next.At(i) != result_) continue;
      Kifu::DeleteNext(at_end, i, body_.table.get());
      break;
    }
    result_ = nullptr;
  }

  // The reading ends at a move that cannot be read: a sealed move ends its
  // line as an interruption, and a closing line read before the move is no
  // end, as the game went on behind it. False.
  bool Stop() {
    PlaceSeal();
    closing_end_line_ = 0;
    return false;
  }

  // Ends the current line with the result of the closing line read on it,
  // unless a result word or a sealed move ended it meanwhile. Words that
  // tell no result end it as an interruption, and are told.
  void PlaceClosing() {
    const int line = closing_end_line_;
    closing_end_line_ = 0;
    if (line == 0 || ended_ || sealed_) return;
    if (closing_end_.kind == Ki2Closing::kUnknownWord) unknown_ends_.Note(line, closing_end_.word);
    AddEnd(closing_end_.end);
  }

  // Keeps the first line behind an end: nothing is played there.
  void NoteAfterEnd(const KString& line) {
    after_end_lines_.Note(lines_.lines(), line);
  }

  // A 封じ手 followed by a move or a result is a pause: what follows goes on
  // with the game and carries the word as its comment.
  void Resume(KifuSashite* next) {
    if (!sealed_) return;
    sealed_ = false;
    KString& comment = next->comment;
    KString word = KString::KStringFromC(kSealedMove);
    if (!comment.empty()) word.Append(kCommentBreak);
    word.AppendStr(comment);
    comment = std::move(word);
  }

  // A 封じ手 that nothing followed ends the line as 中断.
  void PlaceSeal() {
    if (!sealed_) return;
    sealed_ = false;
    AddResult(kChudan, true);
  }

  // A result is added behind the current move without becoming current: what
  // follows still refers to the last real move. A line has one end: a result
  // behind another is not read.
  bool Result(const KString& line, int code, bool king) {
    if (ended_) {
      NoteAfterEnd(line);
      return true;
    }
    Resume(AddResult(code, king));
    return true;
  }

  // Ends the line with special move `code`, holding the king of the side to
  // move when `king` (a loss or win), else no piece (a draw).
  KifuSashite* AddResult(int code, bool king) {
    const int piece = king ? kOu | (Position().teban ? kGoteBit : 0) : 0;
    return AddEnd(Sashite(0, 0, 0, 0, piece, 0, 0, code));
  }

  // Ends the line with special move `end`.
  KifuSashite* AddEnd(const Sashite& end) {
    ended_ = true;
    result_ = Kifu::AddSashiteAtPos(Current()->to, end, 0, nullptr, -1, body_.table.get(), KifuChooser::kNever,
                                    true);
    return result_;
  }

  bool Move(const KString& line, int at) {
    const Sashite& prev = Current()->sashite;
    Sashite m;
    int seconds = 0;
    int cursor = at;
    if (!kifu_parse_move_text(m, Position(), prev.to_x, prev.to_y, line, cursor, seconds)) {
      return false;
    }
    // A move must be playable and leave a possible position (it may not take a
    // king, which a set-up with the side not to move in check would allow).
    Kyokumen after = Position();
    if (!after.DoSashite(m) || !after.Check()) return false;
    KifuSashite* added = Kifu::AddSashiteAtPos(Current()->to, m, seconds, nullptr, -1,
                                               body_.table.get(), KifuChooser::kNever, true);
    if (!added) return false;
    path_.push_back(added);
    ++moves_;
    closing_end_line_ = 0;  // the game went on behind a closing line
    return true;
  }

  KifuBody& body_;
  std::vector<KifuSashite*> path_;
  const LineCountingReader& lines_;
  KifuSkippedLine skipped_;
  KifuPassedOver passed_over_;
  KifuPassedOver bookmarks_;
  // Set by a result up to the next change line that is placed.
  bool ended_ = false;
  // The result that ended the current line, while it is the current line's.
  KifuSashite* result_ = nullptr;
  KifuClosingMismatch closing_;
  KifuPassedOver unknown_ends_;
  // A closing line read on the current line that no move followed (its line,
  // 0 for none) and what it tells.
  int closing_end_line_ = 0;
  Ki2Closing closing_end_;
  // Set by a 封じ手 up to what follows it.
  bool sealed_ = false;
  KifuPassedOver after_end_lines_;  // the lines behind an end, the first kept
  int moves_ = 0;
};

}  // namespace

int kifu_read_kif_henka(Kifu& kifu, TextReader& reader, bool merge, KifuReadStop* stop) {
  if (stop) *stop = KifuReadStop{};
  LineCountingReader counted(reader);
  KifuBody body;
  KString handicap;
  const int header = read_start(counted, body, handicap);
  if (header < 0) {
    kifu_header_failure(header, counted.lines(), std::move(handicap), stop);
    return -1;
  }
  KifuReadStop stopped;
  int moves = 0;
  {
    HenkaMoveReader reading(body, counted);
    KString line;
    while (kifu_read_data_line(counted, line) == 0) {
      if (!reading.ReadLine(line)) {
        stopped.line = counted.lines();
        stopped.text = line;
        break;
      }
    }
    reading.Finish();
    stopped.skipped = std::move(reading.skipped());
    stopped.passed_over = reading.passed_over();
    stopped.bookmarks_passed = reading.bookmarks_passed();
    stopped.after_end_line = reading.after_end_lines().line;
    stopped.after_end = std::move(reading.after_end_lines().text);
    stopped.closing = std::move(reading.closing());
    stopped.TakeUnknownEnds(std::move(reading.unknown_ends()));
    moves = reading.moves();
  }
  // Text of no known kind from which no move could be read is no record.
  if (moves == 0 && stopped.passed_over.count > 0) {
    if (stop) stop->passed_over = std::move(stopped.passed_over);
    return -1;
  }
  // A merge that finds no node with the start position is a failure, as for
  // the other readers: the record stays as it was.
  const int result = kifu.TakeOver(std::move(body), merge);
  if (result == 0 && stop) *stop = std::move(stopped);
  return result;
}

}  // namespace model
