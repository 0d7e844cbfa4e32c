// Reading KIF: the header, then move lines (a ply number, the move or an end
// word, the time), comment and analysis lines for the move just read, and "#%"
// label and goto lines that make two move orders share one position.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "model/formats/ki2_closing.h"
#include "model/formats/kif_format.h"
#include "model/formats/kif_header.h"
#include "model/formats/kifu_bookmark.h"
#include "model/formats/kifu_line_kinds.h"
#include "model/formats/move_text_parser.h"
#include "model/record/label_table.h"
#include "model/text/byte_text.h"
#include "model/text/numerals.h"

namespace model {

namespace {

// Tested in this order as prefixes, so 反則負け is met before 負け; then
// kOtherProgramsEndWords.
constexpr KifEndWord kEndWords[] = {
    {"中断", kChudan},       {"詰み", kTsumi},          {"投了", kToryo},
    {"切れ負け", kKireMake}, {"反則負け", kHansokuMake}, {"反則勝ち", kHansokuKachi},
    {"負け", kMake},         {"勝ち", kKachi},          {"千日手", kSennichite},
    {"引き分け", kJishogi},  {"持将棋", kJishogi},
};

// The end word at `at`: one of kEndWords, else of kOtherProgramsEndWords;
// null for none.
const KifEndWord* end_word_at(const ByteText& t, int at) {
  for (const KifEndWord& w : kEndWords) {
    if (t.Has(at, w.text)) return &w;
  }
  for (const KifEndWord& w : kOtherProgramsEndWords) {
    if (t.Has(at, w.text)) return &w;
  }
  return nullptr;
}

// What a move's text begins with, however badly it is written: its
// destination (a file digit of either width, or 同) or a side mark. A text
// beginning otherwise is a word, not a move.
constexpr const char* kMoveStarts[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９", "同", "▲", "△", "▽"};
constexpr const char* kWideSpace = "　";

constexpr const char* kPvTag = "!PV=";
constexpr const char* kValueTag = "!VAL=";
constexpr const char* kDouWide = "同　";
constexpr const char* kDou = "同";
constexpr const char* kCommentBreak = "\r\n";
// Lines without a move number that a move list holds besides comments: the
// heading of a variation (変化：N手) and the closing sentence (まで...).
constexpr const char* kVariationLine = "変化";
constexpr const char* kClosingLine = "まで";
// Ply numbers longer than this are read as this many plies (never reached).
constexpr int kPlyCap = 1 << 30;

// True when byte c is one of `set` (never for the NUL byte).
bool is_one_of(unsigned char c, const char* set) {
  return c != 0 && std::strchr(set, c) != nullptr;
}

// The decimal number at `text` as the C library reads it, held to 32 bits.
int32_t read_value(const char* text) {
  const long v = std::strtol(text, nullptr, 10);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

// The length of the word at `at` where a move line's move stands: its text up
// to a blank or the "(" of a time, when it is no move: it begins with none of
// kMoveStarts nor an ASCII digit, and no source square "(" follows it right
// after (歩(27) is a move that lost its destination). 0 for no text, or for
// text that is a move, however malformed.
int word_length(const ByteText& t, int at) {
  if (t.IsDigit(at)) return 0;
  for (const char* c : kMoveStarts) {
    if (t.Has(at, c)) return 0;
  }
  int end = at;
  while (end < t.len && !is_narrow_blank(t.At(end)) && t.At(end) != '(' && !t.Has(end, kWideSpace)) {
    end += is_lead_byte(t.At(end)) && end + 1 < t.len ? 2 : 1;
  }
  if (end > at && end < t.len && t.At(end) == '(' && t.IsDigit(end + 1)) return 0;
  return (end < t.len ? end : t.len) - at;
}

// Builds the graph of one KIF move list on a record body. The current move is
// the last element of the path from the root; the working position is the
// position after it.
class KifMoveReader {
 public:
  KifMoveReader(KifuBody& body, bool merge, const LineCountingReader& lines)
      : body_(body), merge_(merge), lines_(lines) {
    work_.Copy(body.Start()->kyokumen);
    path_.push_back(body.root.get());
  }

  // Takes one line (trailing blanks cut); false when the reading ends at it.
  bool ReadLine(KString& line) {
    if (line.c_str()[0] == '*') {
      if (seal_) {
        seal_->comments.push_back(line);
      } else if (!after_end_) {
        Comment(Current(), line);
      }
      return true;
    }
    if (line.c_str()[0] == '#' && line.c_str()[1] == '%') {
      PlaceSeal();
      Branch(line);
      return true;
    }
    line.TrimLeft();
    if (kifu_is_bookmark_line(line)) {
      if (seal_) {
        kifu_read_bookmark(seal_->bookmark, line, lines_.lines(), bookmarks_);
      } else if (!after_end_) {
        kifu_read_bookmark(Current()->bookmark, line, lines_.lines(), bookmarks_);
      }
      return true;
    }
    return MoveLine(line);
  }

  // At the end of the text, or where the reading `stopped`: a sealed move
  // that nothing followed ends its line as an interruption, and the closing
  // line ends the main line, unless the reading stopped on the main line
  // behind it (the game went on there).
  void Finish(bool stopped) {
    PlaceSeal();
    if (!stopped || !on_main_line_) CloseMainLine();
  }

  // The first numbered line that was passed over.
  KifuSkippedLine& skipped() { return skipped_; }
  // The lines of no known kind that were passed over.
  const KifuPassedOver& passed_over() const { return passed_over_; }
  // The bookmark lines that no move could hold.
  KifuPassedOver& bookmarks_passed() { return bookmarks_; }
  // The first line behind an end that was not read, and its text.
  KifuPassedOver& after_end_lines() { return after_end_lines_; }
  // Moves read, variations included (ends not counted).
  int moves() const { return moves_; }
  // The words read as 中断 (see Entry and CloseMainLine): the first and how
  // many there were.
  KifuPassedOver& unknown_ends() { return unknown_ends_; }
  // The closing line whose count is not the main line's moves.
  KifuClosingMismatch& closing() { return closing_; }

 private:
  // A 封じ手 that has been read but not yet placed: the ply of its line, its
  // time and the comment lines behind it. When the next move line carries the
  // same number, the game goes on there (the sealed move is that line's);
  // anything else places it as the interruption it is then.
  struct Seal {
    int ply = 0;
    int seconds = 0;
    std::vector<KString> comments;
    KString bookmark;
  };

  KifuSashite* Current() const { return path_.back(); }
  int Ply() const { return static_cast<int>(path_.size()) - 1; }
  PosTable* Table() const { return body_.table.get(); }
  // True when the line of play ends at the current move: a result or an end.
  bool Ended() const { return Current()->from && Current()->sashite.special != kOrdinaryMove; }

  // Ends the line with the pending sealed move as 中断, its comments on it.
  void PlaceSeal() {
    if (!seal_) return;
    Seal seal = std::move(*seal_);
    seal_.reset();
    const int side_bit = work_.teban ? kGoteBit : 0;
    if (!Append(Sashite(0, 0, 0, 0, kOu | side_bit, 0, 0, kChudan), seal.seconds, nullptr)) return;
    for (const KString& c : seal.comments) Comment(Current(), c);
    Current()->bookmark = std::move(seal.bookmark);
  }

  // Keeps the first line behind an end; the lines after it are passed over up
  // to one that goes back into the moves before the end.
  void NoteAfterEnd(const KString& line) {
    after_end_lines_.Note(lines_.lines(), line);
    after_end_ = true;
  }

  void Comment(KifuSashite* move, const KString& line) {
    const ByteText t(line);
    const char* rest = line.c_str() + 1;
    const int rest_len = line.length() - 1;
    if (t.Has(1, kPvTag)) {
      const int tag = static_cast<int>(std::strlen(kPvTag));
      move->hyouka.text.AssignBytes(rest + tag, rest_len - tag);
      return;
    }
    if (t.Has(1, kValueTag)) {
      move->hyouka.value = read_value(rest + std::strlen(kValueTag));
      return;
    }
    KString& comment = move->comment;
    if (comment.empty()) {
      comment.AssignBytes(rest, rest_len);
      return;
    }
    const bool line_marked = rest_len > 0 && is_one_of(rest[0], "#[*");
    // Under a comment that begins with "*", plain lines are left out.
    if (!line_marked && comment.c_str()[0] == '*') return;
    comment.Append(kCommentBreak);
    comment.AppendBytes(rest, rest_len);
  }

  // "#% label NAME" and "#% goto NAME"; anything else is ignored.
  void Branch(const KString& line) {
    const ByteText t(line);
    auto delim = [&](int i) { return is_one_of(t.At(i), " \t\r\n"); };
    int i = 0;
    while (i < t.len && !delim(i)) ++i;
    while (i < t.len && delim(i)) ++i;
    const int command = i;
    while (i < t.len && !delim(i)) ++i;
    KString word;
    word.AssignBytes(t.p + command, i - command);
    if (i >= t.len) return;  // no name
    const int name_start = i + 1;
    int name_end = name_start;
    while (name_end < t.len && !is_one_of(t.At(name_end), "\t\r\n")) ++name_end;
    if (name_end == name_start) return;
    KString name;
    name.AssignBytes(t.p + name_start, name_end - name_start);
    if (word == "label") {
      labels_.AddName(name.c_str(), Current()->to);
    } else if (word == "goto") {
      KifuKyokumen* target = labels_.FindName(name.c_str());
      if (target) Goto(target);
    }
  }

  // Points the current move at the labelled node instead of its own. Only a
  // move that has just been read (its node has no moves yet) is redirected,
  // and only to a node with its position that does not lie before it, so the
  // graph keeps no cycle; a label of the node given up goes with it.
  void Goto(KifuKyokumen* target) {
    KifuSashite* m = Current();
    KifuKyokumen* own = m->to;
    if (!m->from || m->sashite.special != kOrdinaryMove || target == own) return;
    if (own->next.Count() != 0 || target->kyokumen != own->kyokumen) return;
    if (Kifu::IsAncestorOrSelf(m->from, target)) return;
    if (own->prev.Count() == 1) labels_.ForgetNode(own);
    Kifu::DetachMove(m, Table());
    m->to = target;
    target->prev.Insert(-1, m);
  }

  // Takes moves back until the current move is the one before ply n.
  bool BackUpTo(int n) {
    while (n <= Ply()) {
      const Sashite& m = Current()->sashite;
      if (m.special == kOrdinaryMove && !work_.UndoSashite(m)) return false;
      path_.pop_back();
      on_main_line_ = false;
    }
    return true;
  }

  bool Append(const Sashite& m, int seconds, const Kyokumen* after) {
    const KifuChooser chooser = (merge_ && after) ? KifuChooser::kFirst : KifuChooser::kNever;
    KifuSashite* added =
        Kifu::AddSashiteAtPos(Current()->to, m, seconds, nullptr, -1, Table(), chooser, false);
    if (!added) return false;
    if (after) work_.Copy(*after);
    path_.push_back(added);
    return true;
  }

  // The time behind the move text, when there is one.
  static int TimeAt(const KString& line, int at) {
    const ByteText t(line);
    while (t.At(at) == ' ') ++at;
    return t.At(at) == '(' ? kifu_read_move_time(line, at) : 0;
  }

  // A line without a number: the heading of a variation, a closing line (the
  // first is kept), a line of the header's kinds, or text of no known kind,
  // kept to be told.
  void UnnumberedLine(const KString& line, const ByteText& t) {
    if (t.Has(0, kClosingLine)) {
      if (closing_line_ == 0) {
        closing_line_ = lines_.lines();
        closing_text_ = line;
      }
      return;
    }
    if (t.Has(0, kVariationLine) || kifu_is_move_heading(line) || kifu_is_unread_record_line(t)) {
      return;
    }
    passed_over_.Note(lines_.lines(), line);
  }

  // The closing line (まで18手で後手の勝ち) tells the result of the main line,
  // the line of play read first, which it follows as written; read when all
  // is read, wherever it stands, so that it cuts no move of that line. Its
  // count must be the main line's moves; an end line of the main line keeps
  // its result.
  void CloseMainLine() {
    if (closing_line_ == 0) return;
    KifuKyokumen* end = body_.Start();
    int ply = 0;
    for (const KifuSashite* m = end->next.Current(); m; m = end->next.Current()) {
      if (m->sashite.special != kOrdinaryMove) return;
      end = m->to;
      ++ply;
    }
    const Ki2Closing closing = ki2_read_closing_line(closing_text_, 0, ply, end->kyokumen.teban == 0 ? 0 : 1);
    if (closing.kind == Ki2Closing::kMismatch) {
      closing_.Note(closing_line_, closing_text_, closing.count, ply);
      return;
    }
    if (closing.kind == Ki2Closing::kNothing) return;
    if (closing.kind == Ki2Closing::kUnknownWord) unknown_ends_.Note(closing_line_, closing.word);
    Kifu::AddSashiteAtPos(end, closing.end, 0, nullptr, -1, Table(), KifuChooser::kNever, false);
  }

  bool MoveLine(const KString& line) {
    const ByteText t(line);
    int i = 0;
    const int n = t.Number(i, kPlyCap);
    const bool numbered = i > 0;
    while (t.At(i) >= 1 && t.At(i) <= 32) ++i;
    // A line of the sealed move's own number goes on with the game; any
    // other line finds the game interrupted there.
    std::optional<Seal> resumed;
    if (seal_ && numbered && n == seal_->ply) {
      resumed = std::move(seal_);
      seal_.reset();
    } else {
      PlaceSeal();
    }
    if (!numbered) {
      UnnumberedLine(line, t);
      return true;
    }
    // Nothing is played behind an end: a line numbered past it is not read,
    // nor are the lines after it up to one that goes back before the end.
    if (n > Ply() && Ended()) {
      NoteAfterEnd(line);
      return true;
    }
    // A number that does not follow the moves read cannot be placed, and the
    // line is passed over.
    if (n < 1 || n > Ply() + 1) {
      const KifuSkippedLine::Why why =
          n < 1 ? KifuSkippedLine::kMoveNumberBelowOne : KifuSkippedLine::kMoveNumberAhead;
      if (!after_end_) skipped_.Note(lines_.lines(), line, why, Ply());
      return true;
    }
    after_end_ = false;
    if (!BackUpTo(n)) return false;
    if (!Entry(line, t, i, n)) {
      if (resumed) {
        seal_ = std::move(resumed);
        PlaceSeal();
      }
      return false;
    }
    // The move sealed carries the word and the comments read behind it.
    if (resumed) {
      if (seal_) {
        seal_->comments.insert(seal_->comments.begin(), resumed->comments.begin(), resumed->comments.end());
        if (!resumed->bookmark.empty()) seal_->bookmark = std::move(resumed->bookmark);
      } else {
        Current()->bookmark = std::move(resumed->bookmark);
        KString word = KString::KStringFromC("*");
        word.Append(kSealedMove);
        Comment(Current(), word);
        for (const KString& c : resumed->comments) Comment(Current(), c);
      }
    }
    return true;
  }

  // Reads the move or end of move line `line` (number `n`, its text at `i`)
  // and adds it behind the current move; false for a move that cannot be
  // read or played.
  bool Entry(const KString& line, const ByteText& t, int i, int n) {
    const int side_bit = work_.teban ? kGoteBit : 0;
    if (const KifEndWord* w = end_word_at(t, i)) {
      const int seconds = TimeAt(line, i + static_cast<int>(std::strlen(w->text)));
      if (std::strcmp(w->text, kSealedMove) == 0) {
        seal_ = Seal{n, seconds, {}, {}};
        return true;
      }
      return Append(Sashite(0, 0, 0, 0, kOu | side_bit, 0, 0, w->code), seconds, nullptr);
    }
    // Any other word in the move's place that holds no part of a move is an
    // end this reader does not know: its line of play ends there as at 中断,
    // and the lines after it are read on. It is kept to be told. A line with
    // such parts is a damaged move, which ends the reading.
    if (const int word = word_length(t, i); word > 0 && !kifu_holds_move_parts(t, i)) {
      KString text;
      text.AssignBytes(t.p + i, word);
      unknown_ends_.Note(lines_.lines(), text);
      const Sashite end(0, 0, 0, 0, kOu | side_bit, 0, 0, kChudan);
      return Append(end, TimeAt(line, i + word), nullptr);
    }

    // Destination: "同　" or "同" right before the piece (as many programs
    // write it), or a full-width file and a kanji rank.
    int tx = 0, ty = 0;
    if (t.Has(i, kDou)) {
      tx = Current()->sashite.to_x;
      ty = Current()->sashite.to_y;
      i += t.Has(i, kDouWide) ? 4 : 2;
    } else {
      if (t.Left(i) < 4) return false;
      zenkaku_digit_to_int(t.p + i, &tx);
      kanji_to_int(t.p + i + 2, &ty);
      i += 4;
    }
    if (tx < 1 || tx > 9 || ty < 1 || ty > 9) return false;

    Koma piece;
    piece.Set(kOu | side_bit);
    i += piece.ParseName(t.p + i);
    if (type_is_empty(piece.Type())) return false;
    int nari = 0;
    if (t.Has(i, "不成")) {
      i += 4;
    } else if (t.Has(i, "成")) {
      nari = 1;
      i += 2;
    }
    int fx, fy;
    if (t.Has(i, "打")) {
      fx = kSenteHand + work_.teban;
      fy = piece.Type();
      if (fy < kFu || fy > kHi) return false;
      i += 2;
    } else if (t.At(i) == '(' && t.At(i + 1) >= '1' && t.At(i + 1) <= '9' && t.At(i + 2) >= '1' &&
               t.At(i + 2) <= '9' && t.At(i + 3) == ')') {
      fx = t.At(i + 1) - '0';
      fy = t.At(i + 2) - '0';
      i += 4;
    } else {
      return false;
    }
    const Sashite m(fx, fy, tx, ty, piece.code, work_.At(tx, ty).code, nari, kOrdinaryMove);

    // The mover must be the piece on the source square, or one in the hand.
    const bool mover_present = m.IsDrop() ? work_.HandCount(work_.teban, fy) > 0
                                          : work_.At(fx, fy) == piece;
    if (!mover_present || work_.IsLegal(m, true) == kIllegal) return false;
    Kyokumen after;
    after.Copy(work_);
    if (!after.DoSashite(m) || !after.Check()) return false;
    if (!Append(m, TimeAt(line, i), &after)) return false;
    ++moves_;
    return true;
  }

  KifuBody& body_;
  const bool merge_;
  Kyokumen work_;
  std::vector<KifuSashite*> path_;
  LabelTable labels_;
  const LineCountingReader& lines_;
  KifuSkippedLine skipped_;
  KifuPassedOver unknown_ends_;
  // Set up to the first line read that leaves the main line.
  bool on_main_line_ = true;
  // The first closing line, kept to end the main line when all is read.
  int closing_line_ = 0;
  KString closing_text_;
  KifuClosingMismatch closing_;
  std::optional<Seal> seal_;
  KifuPassedOver passed_over_;
  KifuPassedOver bookmarks_;
  // Set from a line behind an end up to a line read again.
  bool after_end_ = false;
  KifuPassedOver after_end_lines_;  // the lines behind an end, the first kept
  int moves_ = 0;
};

}  // namespace

int kifu_read_kif(Kifu& kifu, TextReader& reader, bool merge, KifuReadStop* stop) {
  if (stop) *stop = KifuReadStop{};
  LineCountingReader counted(reader);
  KifuBody body;
  KString line;
  int fields = 0;
  KifuPassedOver passed;
  KifuPassedOver bookmarks;
  const int header = kifu_read_header(counted, line, body, &fields, false, &passed, &bookmarks);
  if (header < 0) {
    kifu_header_failure(header, counted.lines(), std::move(line), stop);
    return -1;
  }
  if (!kifu_is_move_heading(line)) {
    // A header without its move list: the first line of no known kind is
    // where the moves should have begun.
    if (stop && fields > 0) stop->passed_over = std::move(passed);
    return -1;
  }
  body.table->Rehash(body.Start());
  KifuReadStop stopped;
  int moves = 0;
  {
    KifMoveReader reading(body, merge, counted);
    while (kifu_next_line(counted, line) == 0) {
      if (!reading.ReadLine(line)) {
        stopped.line = counted.lines();
        stopped.text = line;
        break;
      }
    }
    reading.Finish(stopped.line != 0);
    stopped.skipped = std::move(reading.skipped());
    stopped.TakeUnknownEnds(std::move(reading.unknown_ends()));
    stopped.closing = std::move(reading.closing());
    stopped.after_end_line = reading.after_end_lines().line;
    stopped.after_end = std::move(reading.after_end_lines().text);
    passed.Add(reading.passed_over());
    bookmarks.Add(reading.bookmarks_passed());
    stopped.bookmarks_passed = std::move(bookmarks);
    moves = reading.moves();
  }
  // Text of no known kind, and not a move read: no record.
  if (moves == 0 && passed.count > 0) {
    if (stop) stop->passed_over = std::move(passed);
    return -1;
  }
  stopped.passed_over = std::move(passed);
  const int result = kifu.TakeOver(std::move(body), merge);
  if (result == 0 && stop) *stop = std::move(stopped);
  return result;
}

}  // namespace model
