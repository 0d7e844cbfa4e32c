// Reading the front end's command-line arguments: one parser that every
// command describes its options to, so that each answers --help with its own
// usage and names the option and what is wrong with its value on an error; the
// exit statuses the commands share; the number and handicap readers.
#pragma once

#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace app {

// Exit statuses of every command: success, a failure told in one line on
// standard error, and a job stopped by Ctrl-C after printing what it had.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitInterrupted = 130;

// The largest ply number a --ply option takes: any that an int holds, so that
// every move of a record, however long, can be asked for (a ply past the
// record's end is refused by the command with the record's length).
constexpr int kMaxPlyOption = std::numeric_limits<int>::max();

// The text with each control character (a line break, a tab ...) shown as '?',
// so that a failure whose names or values hold one still takes one line.
std::string one_line(std::string text);

// Reads `s` as a whole decimal number within [lo, hi] into `out`; false (and
// `out` untouched) for an empty text, trailing characters or a value out of range.
bool parse_int(const char* s, int lo, int hi, int* out);

// A start position's handicap: a number of handicap bits from 0 to 4095, or a
// handicap name of the record headers in UTF-8 (平手, 香落ち, ... 十枚落ち,
// 詰将棋). False (`out` untouched) for anything else.
bool parse_handicap(const char* utf8, int* out);
// The names parse_handicap takes, in UTF-8, separated by blanks.
std::string handicap_names();

// The options and positional arguments of one command. The command declares
// them, then Parse reads argv: "--name value" for an option with a value,
// "--name" for a flag; "-" is a positional argument (standard input or output).
class CommandLine {
 public:
  // `command` names the command in messages ("mate", "book add"); `usage` is
  // what --help prints, its first line "usage: velkora ..." also the answer to
  // a missing argument.
  CommandLine(std::string command, std::string usage);

  // A value option read by `read`, which returns false for a value that does
  // not fit; `wants` completes "--name needs ..." in the error.
  void Value(const char* name, std::string wants, std::function<bool(const char*)> read);
  // A whole number within [lo, hi]; `noun` names it ("seconds from 1 to 60").
  void Number(const char* name, int lo, int hi, int* out, const char* noun = "a number");
  // Any text (a file name).
  void Text(const char* name, const char** out, std::string wants);
  // An option without a value.
  void Flag(const char* name, bool* out);
  // The next positional argument; the required ones come first.
  void Positional(const char** out, bool required = true);

  // Reads the arguments. False when the command is to end now, with `status`
  // its exit status: after --help (or -h) printed the usage (kExitOk), or
  // after the one line of an error (kExitFailure).
  bool Parse(int argc, char** argv, int* status);
  // Whether option `name` was given.
  bool Given(const char* name) const;

  // "velkora COMMAND: what" on standard error; kExitFailure.
  int Fail(const std::string& what) const;

 private:
  struct Option {
    std::string name;
    std::string wants;                      // empty for a flag
    std::function<bool(const char*)> read;  // null for a flag
    bool* flag = nullptr;
    bool given = false;
  };
  struct Place {
    const char** out;
    bool required;
  };

  Option* Find(const std::string& name);
  // The usage's first line.
  std::string UsageLine() const;

  std::string command_;
  std::string usage_;
  std::vector<Option> options_;
  std::vector<Place> places_;
};

}  // namespace app
