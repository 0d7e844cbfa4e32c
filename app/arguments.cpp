#include "app/arguments.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "model/formats/kif_header.h"
#include "model/text/text_encoding.h"

namespace app {

namespace {

// Handicap bits a number may give (every bit of the handicap word).
constexpr int kMaxHandicapBits = 4095;

bool is_help(const char* a) { return std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0; }

// Handicap names that stand for a set-up (その他 names none).
bool names_a_setup(const model::TeaiwariName& t) { return t.bits != model::kSonota; }

}  // namespace

std::string one_line(std::string text) {
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  }
  return text;
}

bool parse_int(const char* s, int lo, int hi, int* out) {
  char* end = nullptr;
  const long v = std::strtol(s, &end, 10);
  if (!*s || *end || v < lo || v > hi) return false;
  *out = static_cast<int>(v);
  return true;
}

bool parse_handicap(const char* utf8, int* out) {
  if (parse_int(utf8, 0, kMaxHandicapBits, out)) return true;
  const std::string name = model::utf8_to_sjis(utf8);
  for (const model::TeaiwariName& t : model::kTeaiwariNames) {
    if (names_a_setup(t) && name == t.name) {
      *out = t.bits;
      return true;
    }
  }
  return false;
}

std::string handicap_names() {
  std::string names;
  for (const model::TeaiwariName& t : model::kTeaiwariNames) {
    if (!names_a_setup(t)) continue;
    if (!names.empty()) names += " ";
    names += t.name;
  }
  return model::sjis_to_utf8(names);
}

CommandLine::CommandLine(std::string command, std::string usage)
    : command_(std::move(command)), usage_(std::move(usage)) {}

void CommandLine::Value(const char* name, std::string wants, std::function<bool(const char*)> read) {
  options_.push_back(Option{name, std::move(wants), std::move(read)});
}

void CommandLine::Number(const char* name, int lo, int hi, int* out, const char* noun) {
  Value(name, std::string(noun) + " from " + std::to_string(lo) + " to " + std::to_string(hi),
        [lo, hi, out](const char* v) { return parse_int(v, lo, hi, out); });
}

void CommandLine::Text(const char* name, const char** out, std::string wants) {
  Value(name, std::move(wants), [out](const char* v) {
    *out = v;
    return true;
  });
}

void CommandLine::Flag(const char* name, bool* out) {
  Option o;
  o.name = name;
  o.flag = out;
  options_.push_back(std::move(o));
}

void CommandLine::Positional(const char** out, bool required) { places_.push_back(Place{out, required}); }

CommandLine::Option* CommandLine::Find(const std::string& name) {
  for (Option& o : options_) {
    if (o.name == name) return &o;
  }
  return nullptr;
}

bool CommandLine::Given(const char* name) const {
  for (const Option& o : options_) {
    if (o.name == name) return o.given;
  }
  return false;
}

std::string CommandLine::UsageLine() const { return usage_.substr(0, usage_.find('\n')); }

int CommandLine::Fail(const std::string& what) const {
  std::fprintf(stderr, "velkora %s: %s\n", command_.c_str(), one_line(what).c_str());
  return kExitFailure;
}

bool CommandLine::Parse(int argc, char** argv, int* status) {
  // --help wins wherever it stands, so that a newcomer's first try works.
  for (int i = 0; i < argc; ++i) {
    if (is_help(argv[i])) {
      std::fputs(usage_.c_str(), stdout);
      *status = kExitOk;
      return false;
    }
  }
  *status = kExitFailure;
  size_t place = 0;
  for (int i = 0; i < argc; ++i) {
    const std::string a = argv[i];
    if (a.size() > 1 && a[0] == '-') {
      Option* o = Find(a);
      if (o == nullptr) {
        Fail("unknown option '" + a + "' (velkora " + command_ + " --help lists the options)");
        return false;
      }
      o->given = true;
      if (o->flag != nullptr) {
        *o->flag = true;
        continue;
      }
      // The next argument is the value whatever it looks like: "--ply -1"
      // is a bad ply, not an unknown option.
      const char* value = i + 1 < argc ? argv[++i] : nullptr;
      if (value == nullptr) {
        Fail(a + " needs " + o->wants);
        return false;
      }
      if (!o->read(value)) {
        Fail(a + " needs " + o->wants + ", not '" + value + "'");
        return false;
      }
      continue;
    }
    if (place >= places_.size()) {
      Fail("unexpected argument '" + a + "'");
      return false;
    }
    *places_[place++].out = argv[i];
  }
  if (place < places_.size() && places_[place].required) {
    Fail(UsageLine());
    return false;
  }
  return true;
}

}  // namespace app
