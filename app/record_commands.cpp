#include "app/record_commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/arguments.h"
#include "app/terminal.h"
#include "model/formats/board_diagram.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_text.h"
#include "model/text/record_file.h"
#include "platform/clipboard.h"

namespace app {

namespace {

struct FormatName {
  const char* name;
  int code;
};
constexpr FormatName kFormatNames[] = {
    {"kif", model::kFormatKif}, {"ki2", model::kFormatKi2}, {"csa", model::kFormatCsa},
    {"qvf", model::kFormatQvf}, {"vkr", model::kFormatVkr}, {"ckf", model::kFormatCkf},
    {"qvx", model::kFormatKifHenka}};

int format_code(const char* name) {
  for (const FormatName& f : kFormatNames) {
    if (std::strcmp(name, f.name) == 0) return f.code;
  }
  return model::kFormatUnknown;
}

int fail(const char* command, const std::string& what) {
  std::fprintf(stderr, "velkora %s: %s\n", command, what.c_str());
  return 1;
}

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

std::string too_large() {
  return "larger than the " + std::to_string(model::kMaxRecordMegabytes) + " MB a game record may hold";
}

}  // namespace

bool load_record(model::KifuHolder& holder, const char* in, int format, std::string& error,
                 model::KifuReadStop& stop) {
  if (std::strcmp(in, "-") != 0) {
    if (model::kifu_format_from_path(in) == model::kFormatUnknown && format == 0) {
      error = std::string("cannot tell the format of '") + in + "' (use --from)";
      return false;
    }
    model::KifuLoadError failure;
    if (model::kifu_load_file(holder, in, &format, false, &stop, &failure)) return true;
    error = std::string("cannot read '") + in + "': ";
    switch (failure.kind) {
      case model::KifuLoadError::kSystem: error += std::strerror(failure.os_error); break;
      case model::KifuLoadError::kTooLarge: error += too_large(); break;
      default: error += kNotARecord; break;
    }
    return false;
  }
  std::string text;
  int os_error = 0;
  switch (model::read_record_stream(stdin, text, &os_error)) {
    case model::kRecordFileRead:
      break;
    case model::kRecordFileTooLarge:
      error = "cannot read standard input: " + too_large();
      return false;
    default:
      error = std::string("cannot read standard input: ") + std::strerror(os_error);
      return false;
  }
  const std::string sjis = utf8_to_sjis(text);
  bool ok;
  if (format == 0) {
    ok = model::kifu_load_memory(holder, sjis.c_str(), &stop);
  } else {
    model::MemTextReader reader(sjis.data(), static_cast<int>(sjis.size()));
    ok = model::kifu_read_stream(holder.kifu, reader, format, false, &stop) == 0;
    if (ok) holder.SetCurrent(holder.kifu.root.get());
  }
  if (!ok) error = std::string("cannot read standard input: ") + kNotARecord;
  return ok;
}

void warn_read_stop(const char* command, const char* in, const model::KifuReadStop& stop) {
  if (stop.line == 0) return;
  // The line is quoted as far as it fits a terminal line, control bytes shown
  // as "?" (a Shift-JIS character never holds one).
  constexpr int kQuotedBytes = 60;
  const char* text = stop.text.c_str();
  std::string quoted;
  int i = 0;
  while (text[i] && i < kQuotedBytes) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const int n = model::is_lead_byte(c) && text[i + 1] ? 2 : 1;
    quoted.append(c < 0x20 || c == 0x7f ? "?" : std::string(text + i, n));
    i += n;
  }
  if (text[i]) quoted += "...";
  const char* name = std::strcmp(in, "-") == 0 ? "standard input" : in;
  std::fprintf(stderr, "velkora %s: %s: line %d: the moves stop here: cannot read '%s'\n", command,
               name, stop.line, sjis_to_utf8(quoted).c_str());
}

bool load_record_at_ply(model::KifuHolder& holder, const char* command, const char* in, long ply,
                        std::string& error) {
  model::KifuReadStop stop;
  if (!load_record(holder, in, 0, error, stop)) return false;
  warn_read_stop(command, in, stop);
  const int last = holder.kifu.GetTesu();
  if (ply < 0) ply = last;
  if (ply > last) {
    error = "the record has only " + std::to_string(last) + " moves";
    return false;
  }
  holder.SetCurrent(holder.kifu.NodeAtTesu(static_cast<int>(ply)));
  return true;
}

int cmd_board(int argc, char** argv) {
  int handicap = 0;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--handicap") == 0 && i + 1 < argc && parse_int(argv[i + 1], 0, 4095, &handicap)) {
      ++i;
    } else {
      return fail("board", std::string("unexpected argument '") + argv[i] + "'");
    }
  }
  model::Kyokumen pos;
  pos.Init(handicap);
  std::fputs(sjis_to_utf8(position_diagram(pos)).c_str(), stdout);
  return 0;
}

int cmd_convert(int argc, char** argv) {
  const char* paths[2] = {nullptr, nullptr};
  int formats[2] = {0, 0};
  int n = 0;
  for (int i = 0; i < argc; ++i) {
    const bool from = std::strcmp(argv[i], "--from") == 0;
    if (from || std::strcmp(argv[i], "--to") == 0) {
      if (i + 1 >= argc || format_code(argv[i + 1]) == 0) {
        return fail("convert", std::string(argv[i]) + " needs a format: kif ki2 csa qvf ckf vkr qvx");
      }
      formats[from ? 0 : 1] = format_code(argv[++i]);
    } else if (n < 2) {
      paths[n++] = argv[i];
    } else {
      return fail("convert", std::string("unexpected argument '") + argv[i] + "'");
    }
  }
  if (n != 2) return fail("convert", "usage: velkora convert IN OUT [--from FORMAT] [--to FORMAT]");
  const char* out = paths[1];
  int to = formats[1];
  if (to == 0) to = model::kifu_format_from_path(out);
  if (std::strcmp(out, "-") == 0 && to == 0) return fail("convert", "writing to standard output needs --to");
  if (to == 0) return fail("convert", std::string("cannot tell the format of '") + out + "' (use --to)");
  if (to == model::kFormatVkr || to == model::kFormatKifHenka) {
    return fail("convert", "that format can be read but not written");
  }

  model::KifuHolder holder;
  std::string error;
  model::KifuReadStop stop;
  if (!load_record(holder, paths[0], formats[0], error, stop)) return fail("convert", error);
  warn_read_stop("convert", paths[0], stop);

  if (std::strcmp(out, "-") == 0) {
    if (to == model::kFormatCkf) return fail("convert", "the packed form cannot go to standard output");
    model::KString text;
    if (!model::kifu_save_memory(holder, text, to, false)) return fail("convert", "cannot write that format");
    platform::StdioClipboard clipboard;
    if (!clipboard.SetText(sjis_to_utf8(text.c_str()))) return fail("convert", "cannot write standard output");
    return 0;
  }
  errno = 0;
  if (!model::kifu_save_file(holder, out, &to)) {
    std::string what = std::string("cannot write '") + out + "'";
    if (errno != 0) what += std::string(": ") + std::strerror(errno);
    return fail("convert", what);
  }
  return 0;
}

int cmd_show(int argc, char** argv) {
  const char* path = nullptr;
  int ply = -1;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--ply") == 0 && i + 1 < argc && parse_int(argv[i + 1], 0, 100000, &ply)) {
      ++i;
    } else if (!path) {
      path = argv[i];
    } else {
      return fail("show", std::string("unexpected argument '") + argv[i] + "'");
    }
  }
  if (!path) return fail("show", "usage: velkora show FILE [--ply N]");
  model::KifuHolder holder;
  std::string error;
  model::KifuReadStop stop;
  if (!load_record(holder, path, 0, error, stop)) return fail("show", error);
  warn_read_stop("show", path, stop);

  model::Kifu& kifu = holder.kifu;
  const int last = kifu.GetTesu();
  if (ply < 0) ply = last;
  if (ply > last) return fail("show", "the record has only " + std::to_string(last) + " moves");
  std::string text;
  for (int side = 0; side < 2; ++side) {
    if (!kifu.names[side].empty()) {
      text += side == 0 ? "先手：" : "後手：";
      text += kifu.names[side].c_str();
      text += "\n";
    }
  }
  model::KifuSashite* at = kifu.NodeAtTesu(ply);
  text += ply == 0 ? std::string("開始局面\n") : std::to_string(ply) + "手目まで\n";
  text += position_diagram(at->to->kyokumen);
  text += "\n";
  int p = 1;
  for (const model::KifuSashite* m = kifu.NodeAtTesu(1); m; m = m->to->next.Current(), ++p) {
    char number[16];
    std::snprintf(number, sizeof number, "%c%d ", p == ply ? '*' : ' ', p);
    text += number;
    text += model::kifu_node_text(m);
    text += "\n";
  }
  std::fputs(sjis_to_utf8(text).c_str(), stdout);
  return 0;
}

}  // namespace app
