#include "app/record_input.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/formats/kifu_dispatch.h"
#include "model/formats/kifu_write_loss.h"

namespace app {

namespace {

struct FormatName {
  const char* name;
  int code;
};
constexpr FormatName kFormatNames[] = {
    {"kif", model::kFormatKif}, {"ki2", model::kFormatKi2}, {"csa", model::kFormatCsa},
    {"qvf", model::kFormatQvf}, {"vkr", model::kFormatVkr}, {"ckf", model::kFormatCkf},
    {"qvx", model::kFormatKifHenka}, {"kifu", model::kFormatKif | kUtf8Text},
    {"ki2u", model::kFormatKi2 | kUtf8Text}};

// "1 variation", "3 comments".
std::string counted(int n, const char* noun) {
  return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

// What a one-line format holds of the comments or bookmarks (`noun`;
// kifu_write_loss tells which it drops).
std::string notes_held(int format, const char* noun) {
  if (format == model::kFormatKi2) return std::string("no ") + noun + " on the end of the game";
  return std::string("no ") + noun + "s";
}

// "a", "a and b", "a, b and c".
std::string listed(const std::vector<std::string>& items) {
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += i + 1 == items.size() ? " and " : ", ";
    text += items[i];
  }
  return text;
}

}  // namespace

int format_code(const char* name) {
  for (const FormatName& f : kFormatNames) {
    if (std::strcmp(name, f.name) == 0) return f.code;
  }
  return model::kFormatUnknown;
}

const char* format_name(int code) {
  for (const FormatName& f : kFormatNames) {
    if (f.code == code) return f.name;
  }
  return "";
}

bool format_is_read_only(int code) { return code == model::kFormatVkr || code == model::kFormatKifHenka; }

std::string read_only_text(int code) {
  return std::string("the format ") + format_name(code) + " can be read but not written";
}

void add_from_option(CommandLine& cl, int* format) {
  cl.Value("--from", std::string("a format: ") + kReadFormatNamesText,
           [format](const char* v) { return (*format = format_code(v)) != 0; });
}

int record_path_format(const char* path) {
  const int utf8 = model::kifu_utf8_format_from_path(path);
  return utf8 != model::kFormatUnknown ? utf8 : model::kifu_format_from_path(path);
}

bool record_path_is_utf8(const char* path) {
  return model::kifu_utf8_format_from_path(path) != model::kFormatUnknown;
}

bool save_record_file(model::KifuHolder& holder, const char* path, int* format) {
  const bool utf8 = (*format & kUtf8Text) != 0 || record_path_is_utf8(path);
  *format &= ~kUtf8Text;
  if (*format == model::kFormatUnknown) *format = record_path_format(path);
  return utf8 ? model::kifu_save_file_utf8(holder, path, format) : model::kifu_save_file(holder, path, format);
}

void warn_write_loss(const char* command, const model::Kifu& kifu, int format) {
  const model::KifuWriteLoss loss = model::kifu_write_loss(kifu, format & ~kUtf8Text);
  std::vector<std::string> held, lost;
  if (loss.variations > 0) {
    held.push_back("the main line only");
    lost.push_back(counted(loss.variations, "variation"));
  }
  const struct {
    int count;
    const char* noun;
  } notes[] = {{loss.comments, "comment"}, {loss.bookmarks, "bookmark"}};
  for (const auto& n : notes) {
    if (n.count == 0) continue;
    held.push_back(notes_held(format & ~kUtf8Text, n.noun));
    lost.push_back(counted(n.count, n.noun));
  }
  if (held.empty()) return;
  std::fprintf(stderr, "velkora %s: %s holds %s: %s not written\n", command, format_name(format),
               listed(held).c_str(), listed(lost).c_str());
}

}  // namespace app
