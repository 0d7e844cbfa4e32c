// Reading KI2: the KIF header, then lines of move words in relative notation,
// "*" comment lines for the move just read, "変化：N手" lines that start another
// line of play in place of move N, and the closing line "まで..." whose result
// becomes the last move of its line.
#include <cstring>
#include <utility>
#include <vector>

#include "model/formats/ki2_closing.h"
#include "model/formats/ki2_format.h"
#include "model/formats/kif_header.h"
#include "model/formats/kifu_bookmark.h"
#include "model/formats/kifu_line_kinds.h"
#include "model/formats/move_text_parser.h"
#include "model/text/byte_text.h"

namespace model {

namespace {

constexpr const char* kClosing = "まで";
constexpr const char* kVariation = "変化：";
constexpr const char* kMarks[] = {"▲", "△", "▽"};
constexpr const char* kWideSpace = "　";
constexpr const char* kCommentBreak = "\r\n";
// Variation numbers longer than this are read as this many plies (never met).
constexpr int kPlyCap = 1 << 30;

bool has_mark(const ByteText& t, int at) {
  for (const char* mark : kMarks) {
    if (t.Has(at, mark)) return true;
  }
  return false;
}

// Moves `at` over ASCII blanks and full-width spaces.
void skip_blanks(const ByteText& t, int& at) {
  while (at < t.len) {
    if (is_narrow_blank(t.At(at))) {
      ++at;
    } else if (t.Has(at, kWideSpace)) {
      at += 2;
    } else {
      return;
    }
  }
}

// The move word at `at`: its mark, when one stands there, and the characters
// behind it up to the next mark or blank.
KString move_word(const ByteText& t, int at) {
  int end = has_mark(t, at) ? at + 2 : at;  // behind the two-byte mark
  while (end < t.len && !has_mark(t, end) && !is_narrow_blank(t.At(end)) && !t.Has(end, kWideSpace)) {
    end += is_lead_byte(t.At(end)) ? 2 : 1;
  }
  KString word;
  word.AssignBytes(t.p + at, (end < t.len ? end : t.len) - at);
  return word;
}

// Builds the graph of one KI2 move list on a record body. The current move is
// the last element of the path from the root; every position node holds the
// position after its move, so the current move's node is the working position.
class Ki2MoveReader {
 public:
  Ki2MoveReader(KifuBody& body, const LineCountingReader& lines) : body_(body), lines_(lines) {
    path_.push_back(body.root.get());
  }

  // Takes one line (blanks cut at both ends); false when the reading ends at
  // it, `word` then holding the move word that could not be read or played.
  bool ReadLine(KString& line, KString& word) {
    line.TrimRight();
    line.TrimLeft();
    const ByteText t(line);
    if (t.Has(0, kClosing)) {
      if (!waiting_) {
        Closing(line);
        closed_ = true;
      }
      waiting_ = true;
      return true;
    }
    if (t.Has(0, kVariation)) {
      Variation(line);
      return true;
    }
    if (waiting_) {
      // Moves and comments behind the closing line are not read: the game
      // has ended.
      if (closed_ && (has_mark(t, 0) || t.At(0) == '*' || kifu_is_bookmark_line(line) ||
                      kifu_begins_move_without_mark(t))) {
        after_end_lines_.Note(lines_.lines(), line);
      }
      return true;
    }
    if (t.At(0) == '*') {
      KString& comment = Current()->comment;
      if (!comment.empty()) comment.Append(kCommentBreak);
      comment.AppendBytes(t.p + 1, t.len - 1);
      return true;
    }
    if (kifu_is_bookmark_line(line)) {
      kifu_read_bookmark(Current()->bookmark, line, lines_.lines(), bookmarks_);
      return true;
    }
    if (has_mark(t, 0)) return Moves(line, word);
    if (t.len == 0 || t.At(0) == '#' || kifu_is_unread_record_line(t)) return true;
    // A line that begins with a move word without its mark is a move that
    // cannot be read: read on, the moves behind it would make another game.
    if (kifu_begins_move_without_mark(t)) {
      word = move_word(t, 0);
      unmarked_stop_ = true;
      return false;
    }
    // Empty lines, "#" lines and the kinds of a header's lines are
    // passed over above; any other line is of no known kind and is told.
    passed_over_.Note(lines_.lines(), line);
    return true;
  }

  // Moves and results added, variations included.
  int added() const { return added_; }
  // Moves added, variations included (results not counted).
  int moves() const { return moves_; }
  // The first variation line that was passed over.
  KifuSkippedLine& skipped() { return skipped_; }
  // The lines of no known kind that were passed over.
  const KifuPassedOver& passed_over() const { return passed_over_; }
  // The bookmark lines that no move could hold.
  const KifuPassedOver& bookmarks_passed() const { return bookmarks_; }
  // The first move or comment line behind a closing line, and its text.
  KifuPassedOver& after_end_lines() { return after_end_lines_; }
  // Whether the reading stopped at a line without a mark.
  bool unmarked_stop() const { return unmarked_stop_; }
  // The first closing line whose count is not its line's moves.
  KifuClosingMismatch& closing() { return closing_; }
  // The closing words that tell no known result: the first and their count.
  KifuPassedOver& unknown_ends() { return unknown_ends_; }

 private:
  KifuSashite* Current() const { return path_.back(); }
  int Ply() const { return static_cast<int>(path_.size()) - 1; }
  const Kyokumen& Position() const { return Current()->to->kyokumen; }

  // The move words of one line, with or without blanks between them; a time
  // in brackets behind a word, right behind it or after blanks, is passed
  // over. False at a word that cannot be
  // read or played, or that lost its mark (nothing behind it is read), which
  // then goes to `word`.
  bool Moves(const KString& line, KString& word) {
    const ByteText t(line);
    int at = 0;
    while (at < t.len) {
      const int start = at;
      if (!has_mark(t, at) || !Move(line, at)) {
        word = move_word(t, start);
        return false;
      }
      skip_blanks(t, at);
      if (t.At(at) == '(') {
        while (at < t.len && t.At(at) != ')') ++at;
        ++at;
        skip_blanks(t, at);
      }
    }
    return true;
  }

  // Reads the move word at `at`, moving `at` behind it, and plays it; false
  // when it cannot be read or played.
  bool Move(const KString& line, int& at) {
    const Sashite& prev = Current()->sashite;
    Sashite m;
    int seconds = 0;
    if (!kifu_parse_move_text(m, Position(), prev.to_x, prev.to_y, line, at, seconds)) return false;
    if (Position().IsLegal(m, true) == kIllegal) return false;
    Kyokumen after;
    after.Copy(Position());
    if (!after.DoSashite(m) || !after.Check() || !Add(m, seconds)) return false;
    ++moves_;
    return true;
  }

  bool Add(const Sashite& m, int seconds) {
    KifuSashite* added = Kifu::AddSashiteAtPos(Current()->to, m, seconds, nullptr, -1,
                                               body_.table.get(), KifuChooser::kNever, true);
    if (!added) return false;
    path_.push_back(added);
    ++added_;
    return true;
  }

  // "変化：N手": the moves that follow replace move N. A number that names no
  // move of the line read so far leaves the moves that follow unread up to the
  // next such line; so does the number just past a closing line's result, as
  // nothing follows the end of a game.
  void Variation(const KString& line) {
    const ByteText t(line);
    int at = static_cast<int>(std::strlen(kVariation));
    const int n = t.Number(at, kPlyCap);
    if (n < 1) {
      skipped_.Note(lines_.lines(), line, KifuSkippedLine::kVariationBelowOne, Ply());
      return;
    }
    const bool ended = Current()->from && Current()->sashite.special != kOrdinaryMove;
    if (n > Ply() + (ended ? 0 : 1)) {
      skipped_.Note(lines_.lines(), line, KifuSkippedLine::kVariationAhead, Ply());
      waiting_ = true;
      return;
    }
    while (n <= Ply()) path_.pop_back();
    waiting_ = false;
    closed_ = false;
  }

  // The closing line ends the line with its result (ki2_read_closing_line). A
  // count of moves that is not the line's tells that moves were lost or added
  // on the way: the result, which names a side, is then left out. Words that
  // tell no known result end it as an interruption, and are told.
  void Closing(const KString& line) {
    const Ki2Closing closing = ki2_read_closing_line(line, 0, Ply(), Position().teban == 0 ? 0 : 1);
    if (closing.kind == Ki2Closing::kMismatch) {
      closing_.Note(lines_.lines(), line, closing.count, Ply());
      return;
    }
    if (closing.kind == Ki2Closing::kNothing) return;
    if (closing.kind == Ki2Closing::kUnknownWord) unknown_ends_.Note(lines_.lines(), closing.word);
    Add(closing.end, 0);
  }

  KifuBody& body_;
  std::vector<KifuSashite*> path_;
  // Set behind a closing line and by a variation number that cannot be
  // placed: move and comment lines are passed over up to the next 変化 line.
  bool waiting_ = false;
  // Set behind a closing line up to the next 変化 line that is placed.
  bool closed_ = false;
  int added_ = 0;
  int moves_ = 0;
  const LineCountingReader& lines_;
  KifuSkippedLine skipped_;
  KifuPassedOver passed_over_;
  KifuPassedOver bookmarks_;
  KifuPassedOver after_end_lines_;  // the lines behind the closing line, the first kept
  bool unmarked_stop_ = false;
  KifuClosingMismatch closing_;
  KifuPassedOver unknown_ends_;
};

}  // namespace

int kifu_read_ki2(Kifu& kifu, TextReader& in, bool merge, KifuReadStop* stop) {
  if (stop) *stop = KifuReadStop{};
  LineCountingReader reader(in);
  KifuBody body;
  KString line;
  int fields = 0;
  KifuPassedOver passed;
  KifuPassedOver bookmarks;
  const int header = kifu_read_header(reader, line, body, &fields, true, &passed, &bookmarks);
  if (header < 0) {
    kifu_header_failure(header, reader.lines(), std::move(line), stop);
    return -1;
  }
  body.table->Rehash(body.Start());
  Ki2MoveReader moves(body, reader);
  KifuReadStop stopped;
  KString word;
  KifuPassedOver unmarked;
  bool closing_behind = false;  // a closing line behind such a line
  for (bool more = !line.empty(); more; more = reader.GetLine(line) == 0) {
    if (moves.ReadLine(line, word)) continue;
    if (moves.moves() > 0 || !moves.unmarked_stop()) {
      stopped = KifuReadStop{reader.lines(), std::move(word)};
      break;
    }
    // A line without a mark where no move was read is of no known kind:
    // with nothing read, the text may be no KI2 at all. Nothing behind it
    // is read, but a closing line there still tells that it is.
    unmarked.Note(reader.lines(), line);
    while (!closing_behind && reader.GetLine(line) == 0) {
      line.TrimLeft();
      closing_behind = ByteText(line).Has(0, kClosing);
    }
    break;
  }
  stopped.skipped = std::move(moves.skipped());
  stopped.after_end_line = moves.after_end_lines().line;
  stopped.after_end = std::move(moves.after_end_lines().text);
  stopped.closing = std::move(moves.closing());
  stopped.TakeUnknownEnds(std::move(moves.unknown_ends()));
  passed.Add(moves.passed_over());
  passed.Add(unmarked);
  bookmarks.Add(moves.bookmarks_passed());
  stopped.bookmarks_passed = std::move(bookmarks);
  // Text of no known kind from which no move could be read is no record;
  // when it holds a header or a result, its first such line is why.
  if (moves.moves() == 0 && passed.count > 0) {
    if (stop && (fields > 0 || moves.added() > 0 || closing_behind)) stop->passed_over = std::move(passed);
    return -1;
  }
  // Text without a header line or a move is no KI2 record.
  if (fields == 0 && moves.added() == 0) return -1;
  stopped.passed_over = std::move(passed);
  const int result = kifu.TakeOver(std::move(body), merge);
  if (result == 0 && stop) *stop = std::move(stopped);
  return result;
}

}  // namespace model
