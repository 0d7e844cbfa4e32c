// One damaged character or line among the moves of every record of the test
// data and the examples, in every text format that carries moves (KIF, its
// change-branch layout, KI2 and CSA), read as Shift-JIS and as UTF-8. A sign
// or mark removed or replaced, one character of a move replaced by one that
// makes no move, a move line removed, an end word's "%" removed or replaced,
// a closing line's count changed. Every copy must give the same game (moves
// and result), or the moves before the damage with no result, the damaged
// line named (for a lost line, a line at or behind it, where the moves stop);
// a refused text names the damaged line. CSA records are also read with their
// position statements in the forms other programs write: the same game.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "model/formats/kifu_dispatch.h"
#include "model/text/text_encoding.h"
#include "tests/model/formats/kif_test_util.h"

namespace model {
namespace {

// The start position of a record and its main line: its moves (the first
// alternative at every position) and the special move that ends it, if any.
struct Game {
  Kyokumen start;
  std::vector<Sashite> moves;
  bool ended = false;
  Sashite end;

  bool operator==(const Game& o) const {
    return start == o.start && moves == o.moves && ended == o.ended && (!ended || end == o.end);
  }
};

Game main_line(const Kifu& kifu) {
  Game g;
  g.start = kifu.Start()->kyokumen;
  for (const KifuKyokumen* at = kifu.Start(); at && at->next.Count() > 0; at = at->next.At(0)->to) {
    const Sashite& m = at->next.At(0)->sashite;
    if (m.special != kOrdinaryMove) {
      g.ended = true;
      g.end = m;
      break;
    }
    g.moves.push_back(m);
  }
  return g;
}

// A damaged copy: the text, the line (from 1) damaged or where a removed line
// stood, the moves of the main line written before it, and whether the reader
// can tell the damage where it stands (`exact`: the moves stop right there)
// or only further on (a lost line shows where the moves behind it no longer
// fit, or at the closing line's count).
struct Damage {
  std::string text;
  int line;
  int moves_before;
  bool exact;
  std::string what;
};

struct Read {
  int result = -1;
  Game game;
  KifuReadStop stop;
};

Read read_text(const std::string& text, int format, bool utf8) {
  Read r;
  Kifu kifu;
  const std::string bytes = utf8 ? record_text_to_sjis(sjis_to_utf8(text), nullptr, true) : text;
  MemTextReader reader(bytes.data(), static_cast<int>(bytes.size()));
  r.result = kifu_read_stream(kifu, reader, format, false, &r.stop);
  if (r.result == 0) r.game = main_line(kifu);
  return r;
}

// The lines of a text without their line feeds (a CR stays), and back.
std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    const size_t nl = text.find('\n', at);
    lines.push_back(text.substr(at, nl == std::string::npos ? std::string::npos : nl - at));
    at = nl == std::string::npos ? text.size() : nl + 1;
  }
  return lines;
}

std::string joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  return text;
}

size_t first_non_blank(const std::string& line) {
  const size_t at = line.find_first_not_of(" \t");
  return at == std::string::npos ? line.size() : at;
}

// Adds the copies of `lines` with line `i` replaced by `replaced` (a removed
// line when null).
void add(std::vector<Damage>& out, const std::vector<std::string>& lines, size_t i, const std::string* replaced,
         int moves_before, bool exact, const std::string& what) {
  std::vector<std::string> copy = lines;
  if (replaced) {
    copy[i] = *replaced;
  } else {
    copy.erase(copy.begin() + static_cast<long>(i));
  }
  out.push_back({joined(copy), static_cast<int>(i) + 1, moves_before, exact, what});
}

// Replaces `n` bytes at `at` of line `i` by `with`.
void add_edit(std::vector<Damage>& out, const std::vector<std::string>& lines, size_t i, size_t at, size_t n,
              const std::string& with, int moves_before, bool exact, const std::string& what) {
  std::string line = lines[i];
  line.replace(at, n, with);
  add(out, lines, i, &line, moves_before, exact, what);
}

constexpr const char* kSente = "▲";
constexpr const char* kGote = "△";
constexpr const char* kOtherGote = "▽";  // KI2 takes it for gote's mark
constexpr int kMarkBytes = 2;

constexpr const char* kLineRemoved = "line removed";

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The move statements of a CSA line: those that begin with a sign, up to a
// comment.
int csa_moves_on(const std::string& line) {
  int moves = 0;
  for (size_t at = 0; at < line.size();) {
    const size_t comma = std::min(line.find(',', at), line.size());
    const size_t start = line.find_first_not_of(' ', at);
    if (start < comma && line[start] == '\'') break;
    if (start < comma && (line[start] == '+' || line[start] == '-') && comma - start >= 7) ++moves;
    at = comma + 1;
  }
  return moves;
}

// CSA: the sign of the first move on a line removed or replaced by each byte
// that begins another statement, a digit or a piece letter replaced, a line
// of one move removed, and an end statement's "%" removed or replaced. A CSA
// line of play has no move numbers: a text without its last move, or without
// a line of two moves, is another whole game, which no reader can tell.
std::vector<Damage> csa_damages(const std::vector<std::string>& lines, int last_line) {
  std::vector<Damage> out;
  int moves = 0;
  std::vector<size_t> move_lines;
  for (size_t i = 0; i < lines.size() && static_cast<int>(i) < last_line; ++i) {
    const std::string& l = lines[i];
    const size_t s = first_non_blank(l);
    const bool move = l.size() >= s + 7 && (l[s] == '+' || l[s] == '-') && is_digit(l[s + 1]) && is_digit(l[s + 4]);
    if (move) {
      const char other[] = {l[s] == '+' ? '-' : '+', '\0'};
      for (const std::string with : {"", "*", "x", " ", "0", "%", "T", "P", "N", "$", ",", "V", other}) {
        add_edit(out, lines, i, s, 1, with, moves, true, "sign '" + with + "'");
      }
      add_edit(out, lines, i, s + 2, 1, "x", moves, true, "digit");
      add_edit(out, lines, i, s + 6, 1, "#", moves, true, "piece letter");
      if (csa_moves_on(l) == 1) move_lines.push_back(i);
    } else if (l.compare(s, 6, "%TORYO") == 0 || l.compare(s, 7, "%CHUDAN") == 0 || l.compare(s, 6, "%TSUMI") == 0 ||
               l.compare(s, 11, "%SENNICHITE") == 0 || l.compare(s, 6, "%KACHI") == 0) {
      add_edit(out, lines, i, s, 1, "", moves, true, "end word without %");
      add_edit(out, lines, i, s, 1, "x", moves, true, "end word with x for %");
    }
    if (move) moves += csa_moves_on(l);
  }
  for (size_t j = 0; j + 1 < move_lines.size(); ++j) add(out, lines, move_lines[j], nullptr, 0, false, kLineRemoved);
  return out;
}

// The CSA text `lines` with its rank rows and piece lists written as other
// programs write them, two copies that give the same game: a row's last empty
// cell " *." as a game server writes it; or empty cells as blanks, bytes that
// name no piece behind the ninth cell and the last group, and a bare "P" line.
std::vector<std::string> csa_position_forms(const std::vector<std::string>& lines) {
  constexpr size_t kRowBytes = 29;  // "P", the rank and nine cells of three bytes
  std::vector<std::string> forms;
  for (const bool server : {true, false}) {
    std::vector<std::string> copy;
    bool placed = false;
    for (const std::string& line : lines) {
      std::string l = line.substr(0, line.find('\r'));
      const bool row = l.size() >= 2 && l[0] == 'P' && l[1] >= '1' && l[1] <= '9';
      const bool list = l.size() > 2 && l[0] == 'P' && (l[1] == '+' || l[1] == '-');
      if (row && server) {
        l.erase(l.find_last_not_of(' ') + 1);
        if (l.compare(l.size() - 2, 2, " *") == 0) l += ".";
      } else if (!server && (row || list)) {
        if (row && !placed) copy.push_back("P");
        for (size_t at = l.find(" * "); at != std::string::npos; at = l.find(" * ", at)) l.replace(at, 3, "   ");
        if (row) l.resize(std::max(l.size(), kRowBytes), ' ');
        l += "  %";
      }
      placed = placed || row || list;
      copy.push_back(l);
    }
    if (placed) forms.push_back(joined(copy));
  }
  return forms;
}

// The byte offsets of the side marks that begin the move words of a KI2 line.
std::vector<size_t> mark_offsets(const std::string& l) {
  std::vector<size_t> marks;
  for (size_t at = 0; at + 1 < l.size();) {
    if (l.compare(at, kMarkBytes, kSente) == 0 || l.compare(at, kMarkBytes, kGote) == 0 ||
        l.compare(at, kMarkBytes, kOtherGote) == 0) {
      marks.push_back(at);
    }
    at += static_cast<unsigned char>(l[at]) >= 0x80 ? 2 : 1;
  }
  return marks;
}

// KI2: each mark of the main line removed or replaced (at the start of a
// line also by a comment's or a note's first byte, which hides the line), the
// character behind a mark replaced, a move line removed, the closing count
// changed.
std::vector<Damage> ki2_damages(const std::vector<std::string>& lines, int last_line) {
  std::vector<Damage> out;
  int moves = 0;
  for (size_t i = 0; i < lines.size() && static_cast<int>(i) < last_line; ++i) {
    const std::string& l = lines[i];
    const size_t start = first_non_blank(l);
    if (l.compare(start, 6, "変化：") == 0) break;  // the main line ends here
    if (l.compare(start, 4, "まで") == 0) {
      size_t digits = start + 4, end = digits;
      while (end < l.size() && is_digit(l[end])) ++end;
      if (end == digits) continue;
      const int count = std::stoi(l.substr(digits, end - digits));
      for (int changed : {count + 1, count - 1}) {
        if (changed >= 0) add_edit(out, lines, i, digits, end - digits, std::to_string(changed), moves, true, "closing");
      }
      continue;
    }
    const std::vector<size_t> marks = mark_offsets(l);
    if (marks.empty() || marks[0] != start) continue;
    for (size_t j = 0; j < marks.size(); ++j) {
      const int before = moves + static_cast<int>(j);
      const bool sente = l.compare(marks[j], kMarkBytes, kSente) == 0;
      for (const std::string with : {"", "x", "・", "▼", sente ? kGote : kSente}) {
        add_edit(out, lines, i, marks[j], kMarkBytes, with, before, true, "mark '" + with + "'");
      }
      if (j == 0) {
        for (const std::string with : {"*", "&"}) add_edit(out, lines, i, marks[j], kMarkBytes, with, before, false, "mark " + with);
      }
      add_edit(out, lines, i, marks[j] + kMarkBytes, 2, "Ｘ", before, true, "move character");
    }
    add(out, lines, i, nullptr, moves, false, kLineRemoved);
    moves += static_cast<int>(marks.size());
  }
  return out;
}

// KIF: the first character of each main-line move replaced, each move line
// removed. The main line is the run of move lines numbered 1, 2, ... from the
// start.
std::vector<Damage> kif_damages(const std::vector<std::string>& lines, int last_line) {
  std::vector<Damage> out;
  int next = 1;
  for (size_t i = 0; i < lines.size() && static_cast<int>(i) < last_line; ++i) {
    const std::string& l = lines[i];
    size_t at = first_non_blank(l);
    if (at == l.size() || !is_digit(l[at])) {
      if (l.compare(at, 4, "変化") == 0 || l.compare(at, 6, "#--sep") == 0) break;
      continue;
    }
    size_t end = at;
    while (end < l.size() && is_digit(l[end])) ++end;
    if (std::stoi(l.substr(at, end - at)) != next) break;
    const size_t move = first_non_blank(l.substr(end)) + end;
    // Moves begin with a full-width digit or 同; end words are not damaged.
    const bool is_move = l.compare(move, 2, "同") == 0 || (move + 1 < l.size() && l.compare(move, 1, "\x82") == 0);
    if (!is_move) break;
    add_edit(out, lines, i, move, 2, "Ｘ", next - 1, true, "move character");
    add(out, lines, i, nullptr, next - 1, false, kLineRemoved);
    ++next;
  }
  return out;
}

// The change-branch layout: each main-line move's mark removed, replaced by
// a letter, the other side's mark or "▽" (which the layout does not take), the
// character behind the mark replaced, the line removed. Its result words name
// no side: without a closing line's count behind them, a text that lost its
// last move is another whole game, which no reader can tell.
std::vector<Damage> henka_damages(const std::vector<std::string>& lines, int last_line) {
  std::vector<Damage> out;
  int moves = 0;
  int empty_lines = 0;  // the header and the board block each end with one
  bool closing = false;
  std::vector<size_t> move_lines;
  for (size_t i = 0; i < lines.size() && static_cast<int>(i) < last_line; ++i) {
    const std::string& l = lines[i];
    size_t at = first_non_blank(l);
    if (l.find_first_not_of(" \r") == std::string::npos) ++empty_lines;
    if (empty_lines < 2) continue;
    while (at < l.size() && l[at] == '|') ++at;
    if (l.compare(at, 4, "変化") == 0) break;
    closing = closing || l.compare(at, 4, "まで") == 0;
    const bool sente = l.compare(at, kMarkBytes, kSente) == 0;
    if (!sente && l.compare(at, kMarkBytes, kGote) != 0) continue;
    for (const std::string with : {"", "x", sente ? kGote : kSente, kOtherGote}) {
      add_edit(out, lines, i, at, kMarkBytes, with, moves, true, "mark '" + with + "'");
    }
    add_edit(out, lines, i, at + kMarkBytes, 2, "Ｘ", moves, true, "move character");
    move_lines.push_back(i);
    ++moves;
  }
  EXPECT_FALSE(move_lines.empty());
  if (!closing && !move_lines.empty()) move_lines.pop_back();
  for (size_t j = 0; j < move_lines.size(); ++j) {
    add(out, lines, move_lines[j], nullptr, static_cast<int>(j), false, kLineRemoved);
  }
  return out;
}

// The lines a read names: where it stopped, and every line it told of.
std::vector<int> named_lines(const KifuReadStop& s) {
  return {s.line, s.skipped.line, s.passed_over.line, s.after_end_line, s.closing.line, s.left_out_end_line,
          s.unknown_end_line, s.not_csa_line};
}

// Checks one damaged copy against the game its undamaged text gives.
void check(const Damage& d, const Game& game, int format, bool utf8) {
  SCOPED_TRACE(d.what + " on line " + std::to_string(d.line) + (utf8 ? " (UTF-8)" : ""));
  // A line of play without a result that lost its last move is another whole
  // line of play, in every format: nothing behind the move tells.
  if (!d.exact && !game.ended && d.moves_before + 1 == static_cast<int>(game.moves.size()) &&
      d.what == kLineRemoved) {
    return;
  }
  const Read r = read_text(d.text, format, utf8);
  const std::vector<int> named = named_lines(r.stop);
  if (r.result != 0) {
    // A refused text names the damaged line as the reason.
    EXPECT_TRUE(std::count(named.begin(), named.end(), d.line) > 0 ||
                (!d.exact && std::any_of(named.begin(), named.end(), [&](int n) { return n >= d.line; })))
        << d.text;
    return;
  }
  if (r.game == game) return;  // the damage changed nothing the game holds
  const std::vector<Sashite> before(game.moves.begin(), game.moves.begin() + d.moves_before);
  if (d.exact) {
    EXPECT_FALSE(r.game.ended) << "a result the text does not give";
    EXPECT_EQ(r.game.moves, before);
    EXPECT_EQ(r.stop.line + r.stop.closing.line, d.line);
  } else {
    ASSERT_GE(r.game.moves.size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), r.game.moves.begin()));
    EXPECT_TRUE(std::any_of(named.begin(), named.end(), [&](int n) { return n >= d.line; }));
    // A result may end only a line that the text holds behind the lost one
    // (a KIF variation whose numbers take up where the moves stopped), never
    // the moves read before it.
    if (r.game.ended) {
      EXPECT_GT(r.game.moves.size(), before.size()) << "a result the text does not give";
    }
  }
}

int format_of(const std::filesystem::path& path) {
  const std::string ext = path.extension().string();
  if (ext == ".kif") return kFormatKif;
  if (ext == ".ki2") return kFormatKi2;
  if (ext == ".csa") return kFormatCsa;
  if (ext == ".qvx") return kFormatKifHenka;
  return kFormatUnknown;
}

TEST(DamagedMoves, EveryRecordGivesItsGameOrStopsWhereTheDamageIs) {
  int records = 0, copies = 0, forms = 0;
  const std::string data = VELKORA_TEST_DATA;
  for (const std::string& dir : {data, data + "/../../examples"}) {
    std::vector<std::filesystem::path> paths;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir)) paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    for (const std::filesystem::path& path : paths) {
      int format = format_of(path);
      if (format == kFormatUnknown) continue;
      SCOPED_TRACE(path.string());
      const std::string text = testing::read_file_bytes(path.string());
      const Read original = read_text(text, format, false);
      if (original.result != 0) continue;  // the test data's refused texts
      // A ".kif" file may hold the change-branch layout, read as such.
      if (format == kFormatKif) {
        Kifu probe;
        MemTextReader reader(text.data(), static_cast<int>(text.size()));
        if (kifu_read_kif(probe, reader, false) != 0) format = kFormatKifHenka;
      }
      // Only what the reader read is damaged: a record that stops early
      // stops there.
      const int last_line = original.stop.line != 0 ? original.stop.line - 1 : 1 << 30;
      const std::vector<std::string> lines = lines_of(text);
      const std::vector<Damage> damages = format == kFormatCsa   ? csa_damages(lines, last_line)
                                          : format == kFormatKi2 ? ki2_damages(lines, last_line)
                                          : format == kFormatKif ? kif_damages(lines, last_line)
                                                                 : henka_damages(lines, last_line);
      ++records;
      for (const std::string& form : format == kFormatCsa ? csa_position_forms(lines) : std::vector<std::string>{}) {
        for (bool utf8 : {false, true}) {
          const Read r = read_text(form, format, utf8);
          EXPECT_TRUE(r.result == 0 && r.game == original.game) << form;
          ++forms;
        }
      }
      for (const Damage& d : damages) {
        for (bool utf8 : {false, true}) check(d, original.game, format, utf8);
        ++copies;
        if (HasFailure()) return;
      }
    }
  }
  // Every format's files were damaged.
  EXPECT_GT(records, 80);
  EXPECT_GT(copies, 3000);
  EXPECT_GT(forms, 20);
}

}  // namespace
}  // namespace model
