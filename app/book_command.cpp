#include "app/book_command.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/arguments.h"
#include "app/book_reading.h"
#include "app/record_commands.h"
#include "app/record_input.h"
#include "engine/driver/joseki_books.h"
#include "engine/driver/joseki_edit.h"
#include "model/formats/kifu_dispatch.h"
#include "model/record/kifu_holder.h"
#include "platform/file_info.h"
#include "platform/file_lock.h"
#include "platform/file_replace.h"

namespace app {

namespace {

constexpr int kDefaultValue = 8;
constexpr int kMaxLevel = 7;
constexpr int kMaxMode = 3;

int fail(const char* sub, const std::string& what) {
  std::fprintf(stderr, "velkora book %s: %s\n", sub, one_line(what).c_str());
  return kExitFailure;
}

// A strategy word: up to eight hexadecimal digits.
bool parse_hex_word(const char* s, long* out) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(s, &end, 16);
  if (!*s || *s == '-' || *end || v > 0xFFFFFFFFul) return false;
  *out = static_cast<long>(v);
  return true;
}

// The arguments of one subcommand: BOOK, the record or source, and the values
// of the options it allows (-1 while not given).
struct Args {
  const char* paths[2] = {nullptr, nullptr};
  int ply = -1, level = -1, value = -1, mode = -1;
  long senkei = -1;
  bool all = false;
  int from = 0;  // the format of FILE, 0 for the one its name tells
};

// The usage of each subcommand, as --help prints it.
constexpr const char* kShowUsage =
    "usage: velkora book show BOOK FILE [--ply N] [--level L] [--from F]\n"
    "Prints the candidates of the position after ply N of record FILE (default: the\n"
    "end of its main line) in BOOK, highest value first:\n"
    "\"MOVE value V weight W senkei XXXXXXXX\", then \"candidates N\". BOOK is a JS5 or\n"
    "JSD user book (read at level L, 0 to 7) or a folder holding joseki/bXX.jdb.\n"
    "--from F reads FILE as format F (kif ki2 csa qvf ckf vkr qvx kifu ki2u).\n";
constexpr const char* kAddUsage =
    "usage: velkora book add BOOK FILE [--ply N] [--value V] [--senkei HEX] [--from F]\n"
    "Registers the moves of record FILE's main line up to ply N (default: all) in the\n"
    "JS5 book BOOK (made when missing) with value V (0 to 15, default 8) and the\n"
    "strategy bits HEX; prints \"book BOOK positions P moves M\". --from F reads FILE\n"
    "as format F (kif ki2 csa qvf ckf vkr qvx kifu ki2u).\n";
constexpr const char* kRemoveUsage =
    "usage: velkora book remove BOOK FILE --ply N [--all] [--from F]\n"
    "Removes from the JS5 book BOOK the line's move N+1 at the position after ply N\n"
    "(with --all, every move of that position). A position or move the book does not\n"
    "hold is an error, and the book is left as it was. --from F reads FILE as format\n"
    "F (kif ki2 csa qvf ckf vkr qvx kifu ki2u).\n";
constexpr const char* kImportUsage =
    "usage: velkora book import BOOK SOURCE [--level L] [--mode M]\n"
    "Adds the moves of the JS5 or JSD book SOURCE (read at level L) to the JS5 book\n"
    "BOOK with insert mode M (0 to 3, default 1).\n";

// The parser of subcommand `sub`, with the options named in `allowed` (a
// space-separated list) read into `a`.
CommandLine book_options(const char* sub, const char* usage, const std::string& allowed, Args& a) {
  CommandLine cl(std::string("book ") + sub, usage);
  const auto allows = [&allowed](const char* name) {
    return (" " + allowed + " ").find(std::string(" ") + name + " ") != std::string::npos;
  };
  if (allows("--ply")) cl.Number("--ply", 0, kMaxPlyOption, &a.ply, "a number of moves");
  if (allows("--level")) cl.Number("--level", 0, kMaxLevel, &a.level, "a level");
  if (allows("--value")) cl.Number("--value", 0, driver::kMaxBookValue, &a.value, "a value");
  if (allows("--mode")) cl.Number("--mode", 0, kMaxMode, &a.mode, "an insert mode");
  if (allows("--senkei")) {
    cl.Value("--senkei", "a hexadecimal word", [&a](const char* v) { return parse_hex_word(v, &a.senkei); });
  }
  if (allows("--all")) cl.Flag("--all", &a.all);
  if (allows("--from")) add_from_option(cl, &a.from);
  cl.Positional(&a.paths[0]);
  cl.Positional(&a.paths[1]);
  return cl;
}

// The main line of a game record up to its first record event: the position
// before each move and the moves.
struct Line {
  model::KifuHolder holder;
  std::vector<const model::KifuSashite*> moves;

  const model::Kyokumen& Before(size_t ply) const {  // ply 1..moves.size()
    return ply == 1 ? holder.kifu.root->to->kyokumen : moves[ply - 2]->to->kyokumen;
  }
  const model::Kyokumen& After(size_t ply) const {
    return ply == 0 ? holder.kifu.root->to->kyokumen : moves[ply - 1]->to->kyokumen;
  }
};

bool load_line(const char* sub, const char* path, int format, Line& line, std::string& error) {
  model::KifuReadStop stop;
  if (!load_record(line.holder, path, format, error, stop)) return false;
  warn_read_stop((std::string("book ") + sub).c_str(), path, stop);
  if (!line.holder.kifu.root->to) {
    error = std::string("cannot read '") + path + "': " + "not a game record in any known format";
    return false;
  }
  for (const model::KifuSashite* m = line.holder.kifu.root.get(); m->to;) {
    const model::KifuSashite* next = m->to->next.Current();
    if (!next || next->sashite.special != model::kOrdinaryMove || !next->to) break;
    line.moves.push_back(next);
    m = next;
  }
  return true;
}

// The ply the options name, the end of the line by default.
bool resolve_ply(const Args& a, const Line& line, std::string& error, size_t* ply) {
  *ply = a.ply < 0 ? line.moves.size() : static_cast<size_t>(a.ply);
  if (*ply > line.moves.size()) {
    error = only_moves_text(static_cast<int>(line.moves.size()));
    return false;
  }
  return true;
}

// A move in CSA form: +7776FU, +0055KA for a drop.
std::string csa_move(const model::Kyokumen& k, const model::Sashite& m) {
  int type = m.koma.Type();
  if (m.nari && type >= model::kFu && type <= model::kHi) type |= model::kPromoteBit;
  char text[40];
  std::snprintf(text, sizeof text, "%c%d%d%d%d%s", k.teban == 0 ? '+' : '-', m.IsDrop() ? 0 : m.from_x,
                m.IsDrop() ? 0 : m.from_y, m.to_x, m.to_y, model::Koma{static_cast<uint8_t>(type)}.GetName(2));
  return text;
}


bool starts_as_js5(const char* path) {
  std::FILE* f = platform::open_regular_file(path, nullptr, nullptr);
  if (!f) return false;
  char magic[4] = {};
  const bool ok = std::fread(magic, 1, 4, f) == 4 && std::memcmp(magic, "JS5", 4) == 0;
  std::fclose(f);
  return ok;
}

// Why BOOK cannot be changed: `error` set for a file that is there and is no
// JS5 book. The reason comes from reading the file, which is done only when
// its first bytes are not those of a JS5 book.
bool refuse_to_change(const char* path, std::string& error) {
  if (!platform::path_exists(path) || starts_as_js5(path)) return false;
  driver::BookFileError why = driver::BookFileError::kNone;
  int os_error = 0;
  if (driver::OBEditableHash().Load(path, driver::kInsertReplace, 0, &why, &os_error) != 0) {
    error = unreadable_book(path, why, os_error);
  } else {  // saving would turn the older layout into JS5
    error = std::string("'") + path + "' is a JSD book, which is read but not written: import it into a JS5 book";
  }
  return true;
}

// A change of BOOK: the lock that makes reading, changing and saving it one
// step among processes that change it at once, and the book.
struct BookChange {
  std::unique_ptr<platform::FileLock> lock;
  driver::JosekiBooks books;
};

// The lock file of BOOK as the user would reach it: beside BOOK, or beside
// the file `real` that BOOK's link leads to.
std::string lock_named(const char* path, const std::string& real) {
  const bool linked = !platform::find_write_target(path).link_end.empty();
  return (linked ? real : std::string(path)) + platform::FileLock::kSuffix;
}

// Starts a change of BOOK: a new empty book when the file is missing and
// `may_create` is set, else the JS5 file's contents, with the lock held. The
// lock belongs to the file BOOK leads to; it is taken only for a file that may
// be changed, so that no lock file is left beside one that is no book. While
// another process holds it, the wait is told after a second on standard
// error (`sub` names the command) and goes on.
bool begin_change(BookChange& change, const char* sub, const char* path, bool may_create, std::string& error) {
  // A path the system cannot follow (through a file, or a folder that may not
  // be entered) is told with its reason; making the book there then fails
  // with the reason too, as a write.
  const auto missing = [&] {
    if (platform::path_exists(path)) return false;
    if (may_create) return true;
    const int reason = errno;
    error = reason == ENOENT ? std::string("no book '") + path + "'"
                             : unreadable_book(path, driver::BookFileError::kCannotOpen, reason);
    return true;
  };
  // A descriptor (/dev/stdout, /dev/fd/N) is written where it stands and never
  // cut: a book read whole and written back so could keep a tail of the old
  // one, or land behind it, whatever the file holds now.
  if (platform::find_write_target(path).descriptor >= 0) {
    error = std::string("cannot write '") + path + "': a book is changed in its own file, not through a descriptor";
    return false;
  }
  if ((missing() && !may_create) || refuse_to_change(path, error)) return false;
  // A book that may not be written, or a path where none can be made (a link
  // into a missing folder), is refused before the lock file is made, with the
  // test the save itself makes.
  if (!(error = save_refusal(path)).empty()) return false;
  errno = 0;
  const std::string real = platform::resolve_file_path(path);
  if (real.empty()) {
    error = cannot_write(path);
    return false;
  }
  const std::string lock_name = one_line(lock_named(path, real));
  const auto waiting = [&] {
    std::fprintf(stderr, "velkora book %s: waiting for the lock '%s', which another process holds\n", sub,
                 lock_name.c_str());
  };
  change.lock = std::make_unique<platform::FileLock>(real, waiting);
  if (!change.lock->locked()) {
    error = std::string(change.lock->opened() ? "cannot lock '" : "cannot open the lock '") + lock_name +
            "': " + std::strerror(change.lock->error());
    return false;
  }
  // Read only now, under the lock: another process may have changed it.
  if (missing()) {
    if (!may_create) return false;
    change.books.user_books.NewSlot(0);
    return true;
  }
  driver::BookFileError why = driver::BookFileError::kNone;
  int os_error = 0;
  if (change.books.user_books.Open(path, 0, driver::kInsertReplace, 0, &why, &os_error) < 0) {
    error = unreadable_book(path, why, os_error);
    return false;
  }
  return !refuse_to_change(path, error);
}

// A change of BOOK that would leave it without a position is refused: no book
// may be empty.
std::string no_position(const char* path, bool exists) {
  return std::string("'") + path + "' would hold no position, which no book may" +
         (exists ? ": remove the file instead" : ": it is not made");
}

// Refuses, before BOOK is locked, a change that would make a new book of no
// position: taking the lock would leave a lock file beside no book.
bool refuse_empty_new_book(const char* path, bool adds_positions, std::string& error) {
  if (adds_positions || platform::path_exists(path)) return false;
  error = no_position(path, false);
  return true;
}

// Saves the changed book when it is one that can be read back.
int save_and_report(const char* sub, driver::JosekiBooks& books, const char* path) {
  const driver::OBEditableHash* book = books.user_books.Current();
  if (book->npositions() == 0) return fail(sub, no_position(path, true));
  if (book->FileBytes() > driver::kMaxBookFileBytes) {
    return fail(sub, std::string("'") + path + "' would be " + driver::book_file_error_text(driver::BookFileError::kTooLarge));
  }
  errno = 0;
  if (book->Save(path) != 0) return fail(sub, cannot_write(path));
  std::printf("book %s positions %u moves %u\n", path, book->npositions(), book->nmoves());
  return 0;
}

int book_show(int argc, char** argv) {
  Args a;
  int status;
  if (!book_options("show", kShowUsage, "--ply --level --from", a).Parse(argc, argv, &status)) return status;
  std::string error;
  Line line;
  size_t ply;
  if (!load_line("show", a.paths[1], a.from, line, error) || !resolve_ply(a, line, error, &ply)) {
    return fail("show", error);
  }

  driver::JosekiBooks books;
  const uint32_t sources = open_book_to_read(books, a.paths[0], a.level < 0 ? 0 : static_cast<int>(a.level), error);
  if (sources == 0) return fail("show", error);
  const model::Kyokumen& k = line.After(ply);
  model::Sashite moves[driver::kMaxBookCandidates];
  int values[driver::kMaxBookCandidates];
  uint32_t senkei[driver::kMaxBookCandidates];
  // A divided book without the position's part has no moves for it; a part
  // that is there but cannot be read is an error.
  if (const std::string why = divided_part_refusal(books, sources, k); !why.empty()) return fail("show", why);
  const int n = driver::joseki_get_moves(books, k, sources, moves, values, senkei, nullptr, true);
  for (int i = 0; i < n; ++i) {
    std::printf("%s value %d weight %u senkei %08X\n", csa_move(k, moves[i]).c_str(), values[i],
                driver::book_weight_table[values[i]], senkei[i]);
  }
  std::printf("candidates %d\n", n);
  return 0;
}

int book_add(int argc, char** argv) {
  Args a;
  int status;
  if (!book_options("add", kAddUsage, "--ply --value --senkei --from", a).Parse(argc, argv, &status)) return status;
  std::string error;
  Line line;
  size_t ply;
  if (!load_line("add", a.paths[1], a.from, line, error) || !resolve_ply(a, line, error, &ply) ||
      refuse_empty_new_book(a.paths[0], ply > 0, error)) {
    return fail("add", error);
  }
  BookChange change;
  if (!begin_change(change, "add", a.paths[0], true, error)) return fail("add", error);
  driver::JosekiBooks& books = change.books;
  const int value = a.value < 0 ? kDefaultValue : static_cast<int>(a.value);
  const uint32_t senkei = a.senkei < 0 ? 0 : static_cast<uint32_t>(a.senkei);
  for (size_t i = 1; i <= ply; ++i) {
    if (driver::joseki_set_move(books, line.Before(i), line.moves[i - 1]->sashite, value, senkei,
                                driver::kInsertReplace) != 0) {
      return fail("add", "the book refuses move " + std::to_string(i));
    }
  }
  return save_and_report("add", books, a.paths[0]);
}

int book_remove(int argc, char** argv) {
  Args a;
  int status;
  if (!book_options("remove", kRemoveUsage, "--ply --all --from", a).Parse(argc, argv, &status)) return status;
  if (a.ply < 0) return fail("remove", "--ply N is needed: the position whose move is removed");
  std::string error;
  Line line;
  size_t ply;
  if (!load_line("remove", a.paths[1], a.from, line, error) || !resolve_ply(a, line, error, &ply)) {
    return fail("remove", error);
  }
  if (!a.all && ply >= line.moves.size()) return fail("remove", "the record has no move after ply " + std::to_string(ply));
  BookChange change;
  if (!begin_change(change, "remove", a.paths[0], false, error)) return fail("remove", error);
  driver::JosekiBooks& books = change.books;
  // Nothing to remove is a failure, and the book is left as it was: not
  // saved again.
  const model::Kyokumen& k = line.After(ply);
  const std::string at = "the position after ply " + std::to_string(ply);
  if (driver::joseki_get_moves(books, k, driver::kSourceUser, nullptr, nullptr, nullptr, nullptr, false) == 0) {
    return fail("remove", std::string("'") + a.paths[0] + "' does not hold " + at);
  }
  if (a.all) {
    driver::joseki_delete_all(books, k);
  } else {
    const uint32_t moves_before = books.user_books.Current()->nmoves();
    driver::joseki_delete_move(books, k, line.moves[ply]->sashite);
    if (books.user_books.Current()->nmoves() == moves_before) {
      return fail("remove", std::string("'") + a.paths[0] + "' holds " + at + " but not its move " +
                                csa_move(k, line.moves[ply]->sashite));
    }
  }
  return save_and_report("remove", books, a.paths[0]);
}

int book_import(int argc, char** argv) {
  Args a;
  int status;
  if (!book_options("import", kImportUsage, "--level --mode", a).Parse(argc, argv, &status)) return status;
  std::string error;
  const int mode = a.mode < 0 ? driver::kInsertReplace : static_cast<int>(a.mode);
  const int level = a.level < 0 ? 0 : static_cast<int>(a.level);
  // A SOURCE that is no book, or one of no position for a new BOOK, is
  // refused before BOOK is locked or made.
  driver::BookFileError why = driver::BookFileError::kNone;
  int os_error = 0;
  uint32_t source_positions = 0;
  {
    driver::OBEditableHash source;  // freed before the import reads SOURCE again
    if (source.Load(a.paths[1], mode, level, &why, &os_error) != 0) {
      return fail("import", unreadable_book(a.paths[1], why, os_error));
    }
    source_positions = source.npositions();
  }
  if (refuse_empty_new_book(a.paths[0], source_positions > 0, error)) return fail("import", error);
  BookChange change;
  if (!begin_change(change, "import", a.paths[0], true, error)) return fail("import", error);
  driver::JosekiBooks& books = change.books;
  if (books.user_books.Import(a.paths[1], 0, mode, level, &why, &os_error) < 0) {
    return fail("import", unreadable_book(a.paths[1], why, os_error));
  }
  return save_and_report("import", books, a.paths[0]);
}

}  // namespace

int cmd_book(int argc, char** argv) {
  const char* sub = argc > 0 ? argv[0] : "";
  if (std::strcmp(sub, "show") == 0) return book_show(argc - 1, argv + 1);
  if (std::strcmp(sub, "add") == 0) return book_add(argc - 1, argv + 1);
  if (std::strcmp(sub, "remove") == 0) return book_remove(argc - 1, argv + 1);
  if (std::strcmp(sub, "import") == 0) return book_import(argc - 1, argv + 1);
  if (std::strcmp(sub, "--help") == 0 || std::strcmp(sub, "-h") == 0) {
    std::fputs("usage: velkora book show|add|remove|import BOOK ...\n", stdout);
    for (const char* usage : {kShowUsage, kAddUsage, kRemoveUsage, kImportUsage}) {
      std::fputs("\n", stdout);
      std::fputs(usage, stdout);
    }
    return kExitOk;
  }
  std::fputs("velkora book: usage: velkora book show|add|remove|import ... (velkora book --help tells more)\n",
             stderr);
  return kExitFailure;
}

}  // namespace app
