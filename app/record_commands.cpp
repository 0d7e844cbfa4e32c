#include "app/record_commands.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "app/arguments.h"
#include "app/record_input.h"
#include "app/standard_output.h"
#include "model/formats/board_diagram.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_text.h"
#include "model/text/line_text.h"
#include "model/text/record_file.h"
#include "model/text/text_encoding.h"
#include "platform/clipboard.h"
#include "platform/file_info.h"
#include "platform/file_replace.h"

namespace app {

namespace {

// The position as a KIF board diagram, the sides always named 先手 and 後手.
std::string position_diagram(const model::Kyokumen& pos) {
  model::KString text;
  model::MemTextWriter writer(text, false);
  model::kifu_write_diagram(pos, writer, false);
  return text.c_str();
}

// Why a record could not be read, as the end of the one line that says so:
// the operating system's reason, the size limit, or that the text is none of
// the formats.
constexpr const char* kNotARecord = "not a game record in any known format";
constexpr const char* kBadStart = "its start position breaks the rules";
// The extensions of KIF and KI2 in UTF-8, told by beside the format names.
constexpr const char* kUtf8Extensions = "kifu ki2u";
// What a QVF file holding moves gets: the format carries back the position.
constexpr const char* kQvfPositionOnly = "QVF carries back only the position: its moves are not read";

// Tells of the bytes of a text read as UTF-8 that were no UTF-8: the line of
// the first, and how many there were.
std::string bad_utf8_text(int bytes, int line) {
  std::string text = "line " + std::to_string(line) + ": a byte that is not UTF-8 was read as '?'";
  if (bytes > 1) text += " (" + std::to_string(bytes) + " such bytes in all)";
  return text;
}

// Tells of the characters of a UTF-8 text that Shift-JIS cannot hold: the
// line of the first, and how many there were.
std::string unheld_text(int chars, int line) {
  std::string text = "line " + std::to_string(line) + ": a character that Shift-JIS cannot hold was read as '?'";
  if (chars > 1) text += " (" + std::to_string(chars) + " such characters in all)";
  return text;
}

// Why a line the reader passed over could not be placed among the moves (the
// line is quoted, number and all: a long number is read as a capped one).
std::string skipped_reason(const model::KifuSkippedLine& s) {
  switch (s.why) {
    case model::KifuSkippedLine::kMoveNumberBelowOne:
      return "its move number is below 1";
    case model::KifuSkippedLine::kMoveNumberAhead:
      return s.ply == 0 ? "its move number is not 1, the first move's"
                        : "its move number does not follow move " + std::to_string(s.ply);
    case model::KifuSkippedLine::kVariationBelowOne:
      return "its variation names no move";
    case model::KifuSkippedLine::kVariationAhead:
      return "its variation replaces no move of the line before it";
    default:
      return "";
  }
}

// A record's line as a warning quotes it: as far as it fits a terminal line,
// control bytes shown as "?" (a Shift-JIS character never holds one), in
// UTF-8. A byte that cannot end a two-byte character (a line feed the reader
// left behind a lone first byte) is taken on its own, so that it too becomes
// "?".
std::string quoted_line(const model::KString& line) {
  constexpr int kQuotedBytes = 60;
  const char* text = line.c_str();
  std::string quoted;
  int i = 0;
  while (text[i] && i < kQuotedBytes) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const int n = model::is_lead_byte(c) && model::is_trail_byte(static_cast<unsigned char>(text[i + 1])) ? 2 : 1;
    quoted.append(c < 0x20 || c == 0x7f ? "?" : std::string(text + i, n));
    i += n;
  }
  if (text[i]) quoted += "...";
  return model::sjis_to_utf8(quoted);
}

// The folder of a file's path as its user names it: the path up to its last
// slash, "/" for a file in the root, "." for a bare name.
std::string folder_named(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string too_large() {
  return "larger than the " + std::to_string(model::kMaxRecordMegabytes) + " MB a game record may hold";
}

}  // namespace

bool load_record(model::KifuHolder& holder, const char* in, int format, std::string& error,
                 model::KifuReadStop& stop) {
  stop = model::KifuReadStop{};
  const bool from_stdin = std::strcmp(in, "-") == 0;
  const std::string name = from_stdin ? std::string("standard input") : std::string("'") + in + "'";
  // A folder has no extension to tell a format by: it is told as a folder.
  if (!from_stdin && platform::path_is_directory(in)) {
    error = "cannot read " + name + ": " + std::strerror(EISDIR);
    return false;
  }
  const bool named_utf8 = (format & kUtf8Text) != 0 || (!from_stdin && record_path_is_utf8(in));
  format &= ~kUtf8Text;
  if (!from_stdin && format == 0) format = record_path_format(in);
  if (!from_stdin && format == model::kFormatUnknown) {
    error = "cannot tell the format of " + name + " from its extension (" + kFormatNamesText + " " + kUtf8Extensions +
            "); use --from";
    return false;
  }
  std::string bytes;
  int os_error = 0;
  const int read = from_stdin ? model::read_record_stream(stdin, bytes, &os_error)
                              : model::read_record_file(in, bytes, &os_error);
  error = "cannot read " + name + ": ";
  if (read == model::kRecordFileTooLarge) {
    error += too_large();
    return false;
  }
  if (read != model::kRecordFileRead) {
    error += std::strerror(os_error);
    return false;
  }
  // Files and standard input alike: UTF-8 becomes Shift-JIS before any reader
  // sees it (a file named as UTF-8 always). The binary forms are left alone.
  model::Utf8Flaws flaws;
  if (format != model::kFormatVkr && format != model::kFormatCkf) {
    bytes = model::record_text_to_sjis(std::move(bytes), &flaws, named_utf8);
  }
  // Standard input is a file's content whose format nothing names: the file
  // readers tell it.
  model::KifuLoadError failure;
  const bool ok = format == 0 ? model::kifu_load_text(holder, bytes, &stop, &failure)
                              : model::kifu_load_bytes(holder, std::move(bytes), from_stdin ? nullptr : in, format,
                                                       false, &stop, &failure);
  if (ok) {
    error.clear();
    stop.bad_utf8_line = flaws.first_line;
    stop.bad_utf8_bytes = flaws.bytes;
    stop.unheld_line = flaws.first_unheld_line;
    stop.unheld_chars = flaws.unheld;
    return true;
  }
  if (failure.kind == model::KifuLoadError::kUnknownHandicap) {
    error += "line " + std::to_string(stop.unknown_handicap_line) + ": unknown handicap '" +
             quoted_line(stop.unknown_handicap) + "'";
  } else if (failure.kind == model::KifuLoadError::kNotARecord && stop.not_csa_line != 0) {
    error += "line " + std::to_string(stop.not_csa_line) + ": '" + quoted_line(stop.not_csa_text) +
             "' is no CSA statement";
  } else if (failure.kind == model::KifuLoadError::kUnknownLine) {
    error += "line " + std::to_string(stop.passed_over.line) + ": '" + quoted_line(stop.passed_over.text) +
             "' is a line of no known kind, and no move was read";
  } else {
    error += failure.kind == model::KifuLoadError::kBadStart ? kBadStart : kNotARecord;
  }
  if (flaws.bytes > 0) error += "; " + bad_utf8_text(flaws.bytes, flaws.first_line);
  return false;
}

std::string cannot_write(const char* out) {
  const int reason = errno;
  const platform::WriteTarget target = platform::find_write_target(out);
  std::string what = std::string("cannot write '") + out + "'";
  // A descriptor that the shell did not open for writing is what the user
  // must mend, not a file.
  if (target.descriptor >= 0 && target.error == EBADF) {
    return what + ": descriptor " + std::to_string(target.descriptor) + " is not open for writing";
  }
  // A link that leads nowhere a file can be made is told with where it leads:
  // the path the user gave is fine, what it points at is not.
  if (target.file.empty() && !target.link_end.empty()) {
    if (target.error == ELOOP) return what + ": its links never reach a file: " + std::strerror(ELOOP);
    what += ": its link leads to '" + target.link_end + "'";
    if (target.error == ENOENT) return what + ", whose folder does not exist";
    return what + ": " + std::strerror(target.error);
  }
  // A file is replaced through a new one beside it: a folder that takes no
  // new file refuses even a file the user may write, and is named as the
  // reason.
  if (reason == EACCES && !platform::refusing_folder(out).empty()) {
    return what + ": its folder '" + folder_named(target.link_end.empty() ? out : target.link_end) +
           "' may not be written: " + std::strerror(EACCES);
  }
  // A step that failed without a reason (a folder in the file's place is
  // refused before any call) takes the reason the path itself gives.
  const int shown = reason != 0 ? reason : target.file.empty() ? target.error : 0;
  if (shown != 0) what += std::string(": ") + std::strerror(shown);
  return what;
}

std::string save_refusal(const char* out) {
  errno = 0;
  return platform::path_writable(out) ? std::string() : cannot_write(out);
}

namespace {

// What a read did not take in of the text it read, as the reason a save onto
// that same file would lose it (the first of kind, as warn_read_stop tells
// them): empty when the record is all the text holds.
std::string left_unread(const model::KifuReadStop& stop) {
  const auto at = [](int line, const char* what) { return "line " + std::to_string(line) + " " + what; };
  if (stop.line != 0) return "the moves stop at line " + std::to_string(stop.line);
  if (stop.moves_skipped) return "QVF gives back its position, not its moves";
  if (stop.skipped.line != 0) return at(stop.skipped.line, "was passed over");
  if (stop.passed_over.count > 0) return at(stop.passed_over.line, "was passed over");
  if (stop.stray_bytes.count > 0) return at(stop.stray_bytes.line, "holds bytes that were passed over");
  if (stop.bookmarks_passed.count > 0) return at(stop.bookmarks_passed.line, "was passed over");
  if (stop.after_end_line != 0) return at(stop.after_end_line, "stands behind the end of the game");
  if (stop.left_out_end_line != 0) return at(stop.left_out_end_line, "was left out");
  if (stop.closing.line != 0) return at(stop.closing.line, "was left out");
  if (stop.unknown_end_line != 0) return at(stop.unknown_end_line, "was read as an interruption");
  if (stop.bad_utf8_bytes > 0) return at(stop.bad_utf8_line, "holds bytes read as '?'");
  if (stop.unheld_chars > 0) return at(stop.unheld_line, "holds characters read as '?'");
  return {};
}

}  // namespace

std::string self_overwrite_refusal(const char* in, const char* out, const model::KifuReadStop& stop) {
  const std::string unread = left_unread(stop);
  if (unread.empty()) return {};
  platform::FileIdentity read, written;
  const bool read_known = std::strcmp(in, "-") == 0 ? platform::descriptor_identity(STDIN_FILENO, &read)
                                                    : platform::file_identity(in, &read);
  const bool written_known = std::strcmp(out, "-") == 0 ? platform::descriptor_identity(STDOUT_FILENO, &written)
                                                        : platform::write_target_identity(out, &written);
  if (!read_known || !written_known || !(read == written)) return {};
  return std::string("cannot write '") + out + "': it is the file read, which holds more than was read (" + unread +
         "), so writing it would lose the rest; it is left as it was";
}

std::string save_record(model::KifuHolder& holder, const char* out, int* format) {
  errno = 0;
  return save_record_file(holder, out, format) ? std::string() : cannot_write(out);
}

void warn_read_stop(const char* command, const char* in, const model::KifuReadStop& stop) {
  const std::string name = std::strcmp(in, "-") == 0 ? "standard input" : one_line(in);
  const auto warn = [&](const std::string& what) {
    std::fprintf(stderr, "velkora %s: %s: %s\n", command, name.c_str(), what.c_str());
  };
  if (stop.moves_skipped) warn(kQvfPositionOnly);
  if (stop.bad_utf8_bytes > 0) warn(bad_utf8_text(stop.bad_utf8_bytes, stop.bad_utf8_line));
  if (stop.unheld_chars > 0) warn(unheld_text(stop.unheld_chars, stop.unheld_line));
  if (stop.skipped.line != 0) {
    warn("line " + std::to_string(stop.skipped.line) + ": ignored '" + quoted_line(stop.skipped.text) +
         "': " + skipped_reason(stop.skipped));
  }
  // Lines passed over: the first, quoted between `before` and `after`, and
  // how many there were.
  const auto warn_passed = [&](const model::KifuPassedOver& passed, const char* before, const char* after) {
    if (passed.count == 0) return;
    std::string what =
        "line " + std::to_string(passed.line) + ": " + before + "'" + quoted_line(passed.text) + "'" + after;
    if (passed.count > 1) what += " (" + std::to_string(passed.count) + " such lines in all)";
    warn(what);
  };
  warn_passed(stop.passed_over, "ignored ", ": a line of no known kind");
  warn_passed(stop.bookmarks_passed, "ignored ", ": a bookmark no move can hold (one to a move, with a name)");
  warn_passed(stop.stray_bytes, "passed over what names no piece in ", "");
  if (stop.after_end_line != 0) {
    warn("line " + std::to_string(stop.after_end_line) + ": ignored '" + quoted_line(stop.after_end) +
         "' and what follows it on its line of play: the game has ended before it");
  }
  if (stop.left_out_end_line != 0) {
    warn("line " + std::to_string(stop.left_out_end_line) + ": left out '" + quoted_line(stop.left_out_end) +
         "': the record holds no such result");
  }
  if (stop.closing.line != 0) {
    warn("line " + std::to_string(stop.closing.line) + ": left out '" + quoted_line(stop.closing.text) +
         "': it counts " + std::to_string(stop.closing.count) + " moves, and " +
         std::to_string(stop.closing.moves) + (stop.closing.moves == 1 ? " was" : " were") + " read");
  }
  if (stop.unknown_end_line != 0) {
    std::string what = "line " + std::to_string(stop.unknown_end_line) + ": unknown end word '" +
                       quoted_line(stop.unknown_end_word) + "' read as an interruption";
    if (stop.unknown_end_words > 1) what += " (" + std::to_string(stop.unknown_end_words) + " such lines in all)";
    warn(what);
  }
  if (stop.line != 0) {
    warn("line " + std::to_string(stop.line) + ": the moves stop here: cannot read '" + quoted_line(stop.text) + "'");
  }
}

int moves_played(const model::Kifu& kifu) {
  int played = 0;
  for (const model::KifuKyokumen* at = kifu.Start(); at;) {
    const model::KifuSashite* next = at->next.Current();
    if (!next || next->sashite.special != model::kOrdinaryMove) break;
    ++played;
    at = next->to;
  }
  return played;
}

std::string only_moves_text(int played) {
  return "the record has only " + std::to_string(played) + (played == 1 ? " move" : " moves");
}

bool load_record_at_ply(model::KifuHolder& holder, const char* command, const char* in, long ply,
                        std::string& error, int format, model::KifuReadStop* read_stop) {
  model::KifuReadStop own;
  model::KifuReadStop& stop = read_stop ? *read_stop : own;
  if (!load_record(holder, in, format, error, stop)) return false;
  warn_read_stop(command, in, stop);
  const int last = moves_played(holder.kifu);
  if (ply < 0) ply = last;
  if (ply > last) {
    error = only_moves_text(last);
    return false;
  }
  holder.SetCurrent(holder.kifu.NodeAtTesu(static_cast<int>(ply)));
  return true;
}

int cmd_board(int argc, char** argv) {
  int handicap = 0;
  CommandLine cl("board",
                 "usage: velkora board [--handicap H]\n"
                 "Prints a start position as a board diagram.\n"
                 "  --handicap H   the handicap: a name (" + handicap_names() + ")\n"
                 "                 or the handicap bits as a number from 0 to 4095 (default 0, even)\n");
  cl.Value("--handicap", "a handicap name (" + handicap_names() + ") or a number from 0 to 4095",
           [&handicap](const char* v) { return parse_handicap(v, &handicap); });
  int status;
  if (!cl.Parse(argc, argv, &status)) return status;
  model::Kyokumen pos;
  pos.Init(handicap);
  std::fputs(model::sjis_to_utf8(position_diagram(pos)).c_str(), stdout);
  return kExitOk;
}

int cmd_convert(int argc, char** argv) {
  const char* paths[2] = {nullptr, nullptr};
  int formats[2] = {0, 0};
  CommandLine cl("convert",
                 "usage: velkora convert IN OUT [--from F] [--to F]\n"
                 "Reads the game record IN and writes it as OUT, each in the format of its\n"
                 "extension or the one given: kif ki2 csa qvf ckf (read only: vkr qvx); kifu\n"
                 "and ki2u, as extensions or formats, are KIF and KI2 in UTF-8, read and\n"
                 "written so.\n"
                 "A QVF file gives back its position only, not its moves. KI2, CSA and QVF\n"
                 "hold one line of moves, and not every comment or bookmark: what OUT cannot\n"
                 "hold is told in one line on standard error.\n"
                 "\"-\" is standard input or output, as text in UTF-8 (input may also be\n"
                 "Shift-JIS, as files may); standard input without --from is read in the text\n"
                 "format its content has. The packed form (ckf) is no text: it is written\n"
                 "to a file only, never to standard output (it is read from \"-\" with --from ckf).\n"
                 "  --from F   read IN as format F\n"
                 "  --to F     write OUT as format F\n");
  add_from_option(cl, &formats[0]);
  cl.Value("--to", std::string("a format: ") + kWrittenFormatNamesText,
           [&formats](const char* v) { return (formats[1] = format_code(v)) != 0; });
  cl.Positional(&paths[0]);
  cl.Positional(&paths[1]);
  int status;
  if (!cl.Parse(argc, argv, &status)) return status;
  const char* out = paths[1];
  const bool to_stdout = std::strcmp(out, "-") == 0;
  int to = formats[1];
  if (to == 0) to = record_path_format(out);
  if (to_stdout && to == 0) return cl.Fail("writing to standard output needs --to");
  if (to == 0) return cl.Fail(std::string("cannot tell the format of '") + out + "' (use --to)");
  if (format_is_read_only(to)) return cl.Fail(read_only_text(to));
  if (to_stdout && to == model::kFormatCkf) return cl.Fail("the packed form cannot go to standard output");

  model::KifuHolder holder;
  std::string error;
  model::KifuReadStop stop;
  if (!load_record(holder, paths[0], formats[0], error, stop)) return cl.Fail(error);
  warn_read_stop("convert", paths[0], stop);
  if (!(error = self_overwrite_refusal(paths[0], out, stop)).empty()) return cl.Fail(error);
  // What OUT's format leaves out is told only of a write that will happen.
  if (!to_stdout && !(error = save_refusal(out)).empty()) return cl.Fail(error);
  warn_write_loss("convert", holder.kifu, to);

  if (to_stdout) {
    model::KString text;
    if (!model::kifu_save_memory(holder, text, to & ~kUtf8Text, false)) return cl.Fail("cannot write that format");
    platform::StdioClipboard clipboard;
    errno = 0;
    if (!clipboard.SetText(model::sjis_to_utf8(text.c_str()))) return cl.Fail(output_failure(errno));
    return kExitOk;
  }
  if (const std::string why = save_record(holder, out, &to); !why.empty()) return cl.Fail(why);
  return kExitOk;
}

int cmd_show(int argc, char** argv) {
  const char* path = nullptr;
  int ply = -1;
  CommandLine cl("show",
                 "usage: velkora show FILE [--ply N] [--from F]\n"
                 "Prints the position after N moves of the record's main line (default: the\n"
                 "last move played; a resignation or another end of the game is no move) as\n"
                 "a board diagram, then the moves of the line, N marked with \"*\".\n"
                 "FILE is a game record (kif ki2 csa qvf ckf vkr qvx kifu ki2u, Shift-JIS or\n"
                 "UTF-8) or \"-\", standard input, read in the format its content has;\n"
                 "a QVF file gives back its position only, not its moves.\n"
                 "  --ply N    the position after ply N\n"
                 "  --from F   read FILE as format F (kif ki2 csa qvf ckf vkr qvx kifu ki2u)\n");
  int from = 0;
  cl.Number("--ply", 0, kMaxPlyOption, &ply, "a number of moves");
  add_from_option(cl, &from);
  cl.Positional(&path);
  int status;
  if (!cl.Parse(argc, argv, &status)) return status;
  model::KifuHolder holder;
  std::string error;
  if (!load_record_at_ply(holder, "show", path, ply, error, from)) return cl.Fail(error);
  const model::Kifu& kifu = holder.kifu;
  if (ply < 0) ply = moves_played(kifu);
  std::string text;
  for (int side = 0; side < 2; ++side) {
    if (!kifu.names[side].empty()) {
      text += side == 0 ? "先手：" : "後手：";
      text += kifu.names[side].c_str();
      text += "\n";
    }
  }
  text += ply == 0 ? std::string("開始局面\n") : std::to_string(ply) + "手目まで\n";
  text += position_diagram(holder.kyokumen);
  text += "\n";
  int p = 1;
  for (const model::KifuSashite* m = kifu.NodeAtTesu(1); m; m = m->to->next.Current(), ++p) {
    char number[16];
    std::snprintf(number, sizeof number, "%c%d ", p == ply ? '*' : ' ', p);
    text += number;
    text += model::kifu_node_text(m);
    text += "\n";
  }
  std::fputs(model::sjis_to_utf8(text).c_str(), stdout);
  return kExitOk;
}

}  // namespace app
