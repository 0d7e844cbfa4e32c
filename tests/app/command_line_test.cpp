// The built command-line programs, run as a user runs them.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/memory.h"

#include "model/formats/kifu_dispatch.h"
#include "model/text/text_encoding.h"
#include "tests/app/command_runner.h"
#include "tests/engine/driver/think_signature_total.h"
#include "tests/model/position/position_builder.h"

namespace {

using namespace command_test;

TEST(CommandLine, BoardPrintsTheStartPositionInUtf8) {
  const Outcome r = run("velkora board");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(utf8(u8"|v香v桂v銀v金v玉v金v銀v桂v香|一")), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(utf8(u8"| 香 桂 銀 金 玉 金 銀 桂 香|九")), std::string::npos);
  EXPECT_NE(r.out.find(utf8(u8"先手番")), std::string::npos);
  const Outcome h = run("velkora board --handicap 1023");
  EXPECT_NE(h.out.find(utf8(u8"| ・ ・ ・ ・v玉 ・ ・ ・ ・|一")), std::string::npos) << h.out;
  EXPECT_TRUE(fails_with("velkora nonsense", 1, "velkora: unknown command 'nonsense' (velkora --help lists them)\n"));
  EXPECT_TRUE(fails_with("velkora", 1, "velkora: no command given (velkora --help lists them)\n"));
}

TEST(CommandLine, ConvertWritesFilesAndStandardOutput) {
  const std::string dir = ::testing::TempDir();
  // A file the program wrote converts to itself byte for byte.
  const std::string out = dir + "/copy.kif";
  ASSERT_EQ(run("velkora convert " + data("kif/variations.kif") + " " + out).status, 0);
  EXPECT_EQ(slurp(out), slurp(data("kif/variations.kif")));
  // KIF to CSA and back through standard output and input.
  const Outcome csa = run("velkora convert " + out + " - --to csa");
  EXPECT_EQ(csa.status, 0);
  EXPECT_EQ(csa.out.rfind("'=== CSA-Format Kifu File", 0), 0u);
  const Outcome back = run("velkora convert " + out + " - --to csa | " + test_support::test_binary_dir() +
                           "/app/velkora convert - - --to kif");
  EXPECT_EQ(back.status, 0);
  EXPECT_NE(back.out.find(utf8(u8"７六歩(77)")), std::string::npos) << back.out;
  const Outcome show = run("velkora show " + out + " --ply 2");
  EXPECT_EQ(show.status, 0);
  EXPECT_NE(show.out.find(utf8(u8"*2 △３四歩")), std::string::npos) << show.out;
}

// Files of other programs convert to the program's own KIF; a file whose moves
// stop early converts what was read, with one warning line naming the line.
TEST(CommandLine, ConvertWarnsWhereTheMovesStop) {
  const std::string dir = ::testing::TempDir();
  const std::string out = dir + "/other.kif";
  const Outcome whole = run("velkora convert " + data("kif/other_program.kif") + " " + out, true);
  EXPECT_EQ(whole.status, 0);
  EXPECT_EQ(whole.out, "");
  EXPECT_NE(model::sjis_to_utf8(slurp(out)).find(utf8(u8"  22 同　金(32)")), std::string::npos);

  const std::string cut = data("kif/cut_move.kif");
  const std::string warning =
      utf8(u8"velkora convert: ") + cut + utf8(u8": line 21: the moves stop here: cannot read '15 ３四飛(2'\n");
  const Outcome stopped = run("velkora convert " + cut + " " + dir + "/cut.kif", true);
  EXPECT_EQ(stopped.status, 0);
  EXPECT_EQ(stopped.out, warning);
  const Outcome shown = run("velkora show " + cut, true);
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.out.find(utf8(u8"velkora show: ") + cut + ": line 21:"), 0u) << shown.out;
  EXPECT_NE(shown.out.find(utf8(u8"*14 △同　飛")), std::string::npos) << shown.out;
}

// Each kind of failure says which it is: the system's reason, the size limit,
// or that the text is no game record.
TEST(CommandLine, ConvertFailuresAreOneClearLine) {
  const std::string dir = ::testing::TempDir();
  const std::string out = dir + "/x.kif";
  EXPECT_TRUE(fails_with("velkora convert /no/such/game.kif " + out, 1,
                         "velkora convert: cannot read '/no/such/game.kif': No such file or directory\n"));
  EXPECT_TRUE(fails_with("velkora convert " + dir + " " + out + " --from kif", 1,
                         "velkora convert: cannot read '" + dir + "': Is a directory\n"));
  // A folder has no extension to tell a format by: it is told as a folder.
  const Outcome folder = run("velkora show .", true, "cd " + dir + " && ");
  EXPECT_EQ(folder.status >> 8, 1);
  EXPECT_EQ(folder.out, "velkora show: cannot read '.': Is a directory\n");
  const std::string locked = dir + "/locked.kif";
  if (FILE* f = fopen(locked.c_str(), "wb")) fclose(f);
  chmod(locked.c_str(), 0);
  if (geteuid() != 0) {  // the superuser reads it all the same
    EXPECT_TRUE(fails_with("velkora show " + locked, 1, "velkora show: cannot read '" + locked + "': Permission denied\n"));
  }
  const std::string not_kif = dir + "/not.kif";
  if (FILE* f = fopen(not_kif.c_str(), "wb")) {
    fputs("hello\n", f);
    fclose(f);
  }
  EXPECT_TRUE(fails_with("velkora show " + not_kif, 1,
                         "velkora show: cannot read '" + not_kif + "': not a game record in any known format\n"));
  EXPECT_TRUE(fails_with("velkora convert - - --to kif < " + not_kif, 1,
                         "velkora convert: cannot read standard input: not a game record in any known format\n"));
  // Inputs beyond the size limit are refused before they are read whole: a
  // large file by its size, a device that never ends once it has passed it.
  const std::string huge = dir + "/huge.kif";
  if (FILE* f = fopen(huge.c_str(), "wb")) {
    fclose(f);
    EXPECT_EQ(truncate(huge.c_str(), (64LL << 20) + 1), 0);
  }
  EXPECT_TRUE(fails_with("velkora show " + huge, 1,
                         "velkora show: cannot read '" + huge + "': larger than the 64 MB a game record may hold\n"));
  std::remove(huge.c_str());
  EXPECT_TRUE(fails_with("velkora convert /dev/zero " + out + " --from kif", 1,
                         "velkora convert: cannot read '/dev/zero': larger than the 64 MB a game record may hold\n"));
  EXPECT_TRUE(fails_with("velkora convert - " + out + " --from kif < /dev/zero", 1,
                         "velkora convert: cannot read standard input: larger than the 64 MB a game record may hold\n"));
  // A failed save leaves the existing file as it was.
  const std::string keep = dir + "/keep.qvx";
  if (FILE* f = fopen(keep.c_str(), "wb")) {
    fputs("old", f);
    fclose(f);
  }
  EXPECT_TRUE(fails_with("velkora convert " + data("kif/labels.kif") + " " + keep, 1,
                         "velkora convert: the format qvx can be read but not written\n"));
  EXPECT_EQ(slurp(keep), "old");
  EXPECT_TRUE(fails_with("velkora convert " + data("kif/labels.kif") + " -", 1,
                         "velkora convert: writing to standard output needs --to\n"));
  EXPECT_TRUE(fails_with("velkora show " + data("kif/labels.kif") + " --ply 999", 1,
                         "velkora show: the record has only 9 moves\n"));
}

TEST(CommandLine, PerftPrintsOneLinePerDepth) {
  const Outcome r = run("perft 3");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "depth 1 nodes 30\ndepth 2 nodes 900\ndepth 3 nodes 25470\n");
  const Outcome e = run("perft --engine 3");
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.out, r.out);
  // A set-up position from a CSA file: both rule sets count alike.
  const std::string csa = data("csa/setup_chudan.csa");
  const Outcome m = run("perft " + csa + " 2");
  EXPECT_EQ(m.status, 0);
  EXPECT_EQ(m.out.rfind("depth 1 nodes ", 0), 0u);
  EXPECT_EQ(run("perft --engine " + csa + " 2").out, m.out);
  // A file that cannot be read is told with the system's reason; one that can
  // but holds no position, as such.
  EXPECT_TRUE(fails_with("perft /no/such.csa 2", 1, "perft: cannot read '/no/such.csa': No such file or directory\n"));
  EXPECT_TRUE(fails_with("perft " + data("csa") + " 2", 1, "perft: cannot read '" + data("csa") + "': Is a directory\n"));
  EXPECT_TRUE(fails_with("perft " + data("kif/labels.kif") + " 2", 1,
                         "perft: '" + data("kif/labels.kif") + "' holds no valid CSA position\n"));
  EXPECT_EQ(run("perft --engine --handicap 768 2").out, run("perft --handicap 768 2").out);
}

// A usage mistake says what was wrong, then gives the usage, with status 2.
TEST(CommandLine, PerftSaysWhatIsWrongWithItsArguments) {
  const struct {
    const char* args;
    const char* told;
  } kCases[] = {
      {"", "no DEPTH given"},
      {"x", "no DEPTH given after 'x'"},
      {"0", "DEPTH must be from 1 to 20, not 0"},
      {"21", "DEPTH must be from 1 to 20, not 21"},
      {"start.csa many", "DEPTH must be a number, not 'many'"},
      {"start.csa 2 3", "unexpected argument '3'"},
      {"--depth 2", "unknown option '--depth'"},
      {"2 --handicap", "--handicap needs a handicap name or number"},
  };
  for (const auto& c : kCases) {
    EXPECT_TRUE(fails_with(std::string("perft ") + c.args, 2, std::string("perft: ") + c.told + "\nusage: perft "));
  }
}

// "+7776FU": the mover's sign, four digits and a piece name.
bool is_csa_move(const std::string& m) {
  return m.size() == 7 && (m[0] == '+' || m[0] == '-') &&
         std::all_of(m.begin() + 1, m.begin() + 5, [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }) &&
         std::isupper(static_cast<unsigned char>(m[5])) && std::isupper(static_cast<unsigned char>(m[6]));
}

// The depth of "info depth D score S nodes N time MS pv M1 M2 ...", -1 for any
// other line.
int info_depth(const std::string& line) {
  std::istringstream in(line);
  std::string info, depth_word, score_word, nodes_word, time_word, pv_word;
  long depth, score, nodes, ms;
  if (!(in >> info >> depth_word >> depth >> score_word >> score >> nodes_word >> nodes >> time_word >> ms >> pv_word) ||
      info != "info" || depth_word != "depth" || score_word != "score" || nodes_word != "nodes" ||
      time_word != "time" || pv_word != "pv" || nodes < 0 || ms < 0) {
    return -1;
  }
  int moves = 0;
  for (std::string m; in >> m; ++moves) {
    if (!is_csa_move(m)) return -1;
  }
  return moves > 0 ? static_cast<int>(depth) : -1;
}

// The move of "bestmove M" with M a CSA move; empty for any other line.
std::string best_move(const std::string& line) {
  const std::string m = line.rfind("bestmove ", 0) == 0 ? line.substr(9) : std::string();
  return is_csa_move(m) ? m : std::string();
}

std::string example() { return data("../../examples/aigakari.kif"); }

TEST(CommandLine, ThinkPrintsEachVariationAndTheBestMove) {
  // The example ends after 18 moves with sente to move.
  // Each new best line of an iteration deeper than 2 is shown.
  const Outcome r = run("velkora think " + example() + " --depth 3");
  EXPECT_EQ(r.status, 0);
  const std::vector<std::string> lines = lines_of(r.out);
  ASSERT_GE(lines.size(), 2u) << r.out;
  for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(info_depth(lines[i]), 3) << lines[i];
  EXPECT_EQ(best_move(lines.back()).substr(0, 1), "+") << lines.back();

  // Gote to move after ply 5; a time as well as a depth; a style and no book.
  const Outcome g = run("velkora think " + example() + " --ply 5 --depth 3 --time 30 --style " +
                        utf8(u8"慎重") + " --no-book");
  EXPECT_EQ(g.status, 0);
  const std::vector<std::string> gl = lines_of(g.out);
  ASSERT_GE(gl.size(), 2u) << g.out;
  EXPECT_EQ(info_depth(gl[gl.size() - 2]), 3) << g.out;
  EXPECT_EQ(best_move(gl.back()).substr(0, 1), "-") << g.out;
}

TEST(CommandLine, ThinkPlaysTheBooksMove) {
  const std::string book = ::testing::TempDir() + "/think_book.js5";
  std::remove(book.c_str());
  ASSERT_EQ(run("velkora book add " + book + " " + example()).status, 0);
  const Outcome r = run("velkora think " + example() + " --ply 2 --depth 2 --book " + book);
  EXPECT_EQ(r.status, 0);
  // The record's third move, no search: its one line has depth 0 and no nodes.
  const std::vector<std::string> lines = lines_of(r.out);
  ASSERT_EQ(lines.size(), 2u) << r.out;
  EXPECT_EQ(lines[0].rfind("info depth 0 score 0 nodes 0 time ", 0), 0u) << r.out;
  EXPECT_TRUE(lines[0].ends_with(" pv +2625FU")) << r.out;
  EXPECT_EQ(lines[1], "bestmove +2625FU");
  std::remove(book.c_str());
}

TEST(CommandLine, ThinkRefusesBadOptionsInOneLine) {
  for (const char* args : {" --book /no/such/book", " --book /tmp --no-book", " --ply 40", " --depth 0", " --depth 1",
                           " --depth 13", " --time x", " --style fast", " --nonsense", " extra"}) {
    const Outcome r = run("velkora think " + example() + args, true);
    EXPECT_EQ(r.status >> 8, 1) << args;
    EXPECT_EQ(lines_of(r.out).size(), 1u) << args << ": " << r.out;
    EXPECT_EQ(r.out.rfind("velkora think: ", 0), 0u) << r.out;
  }
  // A depth the think does not go to is refused, not clamped, and the range named.
  EXPECT_TRUE(fails_with("velkora think " + example() + " --depth 20", 1,
                         "velkora think: --depth needs a depth from 2 to 12, not '20'\n"));
  EXPECT_TRUE(fails_with("velkora think", 1, "velkora think: usage: velkora think FILE"));
  EXPECT_TRUE(fails_with("velkora think /no/such.kif", 1,
                         "velkora think: cannot read '/no/such.kif': No such file or directory\n"));
}

TEST(CommandLine, ThinkAndPerftRefuseAPositionWhereTheEnemyKingCanBeTaken) {
  // Sente to move, its rook on 5五 attacks gote's king on 5一.
  const std::string file = ::testing::TempDir() + "/king_en_prise.csa";
  std::FILE* f = std::fopen(file.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fputs("P1 *  *  *  * -OU *  *  *  * \nP2 *  *  *  *  *  *  *  *  * \nP3 *  *  *  *  *  *  *  *  * \n"
             "P4 *  *  *  *  *  *  *  *  * \nP5 *  *  *  * +HI *  *  *  * \nP6 *  *  *  *  *  *  *  *  * \n"
             "P7 *  *  *  *  *  *  *  *  * \nP8 *  *  *  *  *  *  *  *  * \nP9 *  *  *  * +OU *  *  *  * \n+\n",
             f);
  std::fclose(f);
  EXPECT_TRUE(fails_with("velkora think " + file + " --depth 2", 1,
                         "velkora think: the side to move can already capture the enemy king\n"));
  for (const char* engine : {"", "--engine "}) {
    EXPECT_TRUE(fails_with(std::string("perft ") + engine + file + " 1", 1,
                           "perft: the side to move can already capture the enemy king\n"));
  }
  std::remove(file.c_str());
}

// Reads what `fd` gives until a line passes `done` or `ms` pass; false then.
bool read_until(int fd, std::string& out, uint32_t ms, bool (*done)(const std::string&)) {
  const uint32_t start = platform::tick_ms();
  while (!done(out)) {
    const uint32_t spent = platform::tick_elapsed(start, platform::tick_ms());
    if (spent >= ms) return false;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(ms - spent)) <= 0) continue;
    char buf[4096];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) return done(out);
    out.append(buf, static_cast<size_t>(n));
  }
  return true;
}

TEST(CommandLine, ThinkStopsOnInterruptWithTheBestMoveSoFar) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::string program = test_support::test_binary_dir() + "/app/velkora";
  const std::string file = example();
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(fds[1], 1);
    const int quiet = open("/dev/null", O_WRONLY);
    dup2(quiet, 2);
    close(fds[0]);
    close(fds[1]);
    execl(program.c_str(), "velkora", "think", file.c_str(), "--ply", "0", nullptr);  // thinks for 10 s
    _exit(127);
  }
  close(fds[1]);
  std::string out;
  // The first variation shows that the think has begun (and Ctrl-C is caught).
  const bool started = read_until(fds[0], out, 60000, [](const std::string& s) { return s.find('\n') != s.npos; });
  platform::sleep_ms(300);
  kill(pid, SIGINT);
  const bool answered = read_until(fds[0], out, 2000, [](const std::string& s) {
    return s.find("bestmove") != s.npos && s.back() == '\n';
  });
  int status = 0;
  if (!answered) kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  close(fds[0]);
  ASSERT_TRUE(started);
  ASSERT_TRUE(answered) << out;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130);
  const std::vector<std::string> lines = lines_of(out);
  const std::string best = best_move(lines.back());
  ASSERT_FALSE(best.empty()) << out;
  // The best move so far is the first move of the last variation.
  ASSERT_GE(lines.size(), 2u);
  EXPECT_GT(info_depth(lines[lines.size() - 2]), 0);
  EXPECT_NE(lines[lines.size() - 2].find("pv " + best), std::string::npos) << out;
}

// A problem file of gote's king and sente's pieces, every other piece in
// gote's hand.
std::string problem_file(const char* name, std::initializer_list<std::array<int, 3>> pieces, const int* sente_hand) {
  model::KifuHolder h;
  model::Kyokumen k = model::testing::empty_position();
  for (const auto& [x, y, code] : pieces) model::testing::put(k, x, y, code);
  for (int t = 1; t <= 7; ++t) k.mochigoma[0][t] = static_cast<int8_t>(sente_hand[t]);
  h.kifu.SetStartPosition(k);
  const std::string path = ::testing::TempDir() + "/" + name;
  int format = 0;
  EXPECT_TRUE(model::kifu_save_file(h, path.c_str(), &format));
  return path;
}

TEST(CommandLine, MateSolvesPrintsAndSavesTheSolutionTree) {
  const Outcome five = run("velkora mate " + data("tsume/mate05_a_ai.kif") + " --ply 0 --time 60");
  EXPECT_EQ(five.status, 0);
  EXPECT_EQ(five.out, "mate 5\npv +9695KY -0094FU +0071KA -9392OU +7182UM\n");
  // The end of the problem's line: gote to move, mated.
  EXPECT_EQ(run("velkora mate " + data("tsume/mate05_a_ai.kif")).out, "nomate\n");

  const std::string saved = ::testing::TempDir() + "/solved.kif";
  const Outcome seven = run("velkora mate " + data("tsume/mate07_b_ai.kif") + " --ply 0 --save " + saved);
  EXPECT_EQ(seven.status, 0);
  EXPECT_EQ(seven.out.rfind("mate 7\npv +0072KA ", 0), 0u) << seven.out;
  const Outcome shown = run("velkora show " + saved);
  EXPECT_NE(shown.out.find(utf8(u8"*7 ▲５三桂")), std::string::npos) << shown.out;
  // Defences off the main line are in the file too.
  EXPECT_NE(model::sjis_to_utf8(slurp(saved)).find(utf8(u8"６二玉(51)")), std::string::npos);

  const int no_hand[8] = {};
  const std::string taken =
      problem_file("taken.kif", {{5, 1, model::testing::gote(model::kOu)}, {5, 5, model::kHi}}, no_hand);
  for (const std::string& args : {taken, std::string("/no/such.kif"), taken + " --memory 0"}) {
    const Outcome bad = run("velkora mate " + args, true);
    EXPECT_EQ(bad.status >> 8, 1) << args;
    EXPECT_EQ(lines_of(bad.out).size(), 1u) << bad.out;
  }
}

TEST(CommandLine, MateAnswersUnknownOnInterrupt) {
  const int hand[8] = {0, 3, 2, 2, 2, 2, 1, 1};
  const std::string open = problem_file("open.kif", {{5, 5, model::testing::gote(model::kOu)}}, hand);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const std::string program = test_support::test_binary_dir() + "/app/velkora";
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    dup2(fds[1], 1);
    close(fds[0]);
    close(fds[1]);
    execl(program.c_str(), "velkora", "mate", open.c_str(), nullptr);  // no time limit
    _exit(127);
  }
  close(fds[1]);
  platform::sleep_ms(1000);  // well into the solve
  kill(pid, SIGINT);
  std::string out;
  const bool answered = read_until(fds[0], out, 10000, [](const std::string& s) { return s.find('\n') != s.npos; });
  int status = 0;
  if (!answered) kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  close(fds[0]);
  EXPECT_EQ(out, "unknown\n");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130);
}

// think and mate stopped by Ctrl-C say so on standard error, as compose,
// review and bench do; a stopped mate writes nothing to the file of --save. A
// Ctrl-C that comes once mate has its answer and its defences stops nothing.
TEST(CommandLine, ThinkAndMateStoppedByCtrlCSaySo) {
  const auto ends_with = [](const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
  };
  const Interrupted think =
      run_interrupted_after_thread({"think", example(), "--ply", "0", "--time", "60"}, 300, 10000);
  ASSERT_TRUE(think.ended) << think.out << think.err;
  EXPECT_TRUE(WIFEXITED(think.status) && WEXITSTATUS(think.status) == 130) << think.status;
  EXPECT_TRUE(ends_with(think.err, "velkora think: stopped; bestmove is the best move found so far\n")) << think.err;

  const int hand[8] = {0, 3, 2, 2, 2, 2, 1, 1};
  const std::string open = problem_file("open_saved.kif", {{5, 5, model::testing::gote(model::kOu)}}, hand);
  const std::string out = ::testing::TempDir() + "/stopped_mate.kif";
  std::remove(out.c_str());
  const Interrupted mate = run_interrupted_after_thread({"mate", open, "--save", out}, 300, 10000);
  ASSERT_TRUE(mate.ended) << mate.out << mate.err;
  EXPECT_TRUE(WIFEXITED(mate.status) && WEXITSTATUS(mate.status) == 130) << mate.status;
  EXPECT_EQ(mate.out, "unknown\n");
  EXPECT_TRUE(ends_with(mate.err, "velkora mate: stopped before the solve ended; '" + out + "' not written\n"))
      << mate.err;
  EXPECT_EQ(slurp(out), "");

  const Outcome late = run("velkora mate " + data("tsume/mate07_b_ai.kif") + " --ply 0 --save " + out, true,
                           "VELKORA_TEST_INTERRUPT=mate-done ");
  EXPECT_EQ(late.status, 0) << late.out;
  EXPECT_EQ(late.out.rfind("mate 7\npv ", 0), 0u) << late.out;
  EXPECT_EQ(late.out.find("stopped"), std::string::npos) << late.out;
  EXPECT_NE(slurp(out), "");
}

// A solve that outlasts the progress interval (shortened here) reports its
// running node count on standard error and still ends with its answer (here
// with the time to show all of it).
TEST(CommandLine, MatePrintsProgressWhileItSolves) {
  const Outcome r =
      run("velkora mate " + data("tsume/mate19_a.kif") + " --ply 0 --time 600", true, "VELKORA_PROGRESS_MS=1 ");
  EXPECT_EQ(r.status, 0);
  const std::vector<std::string> lines = lines_of(r.out);
  ASSERT_GE(lines.size(), 3u) << r.out;
  EXPECT_EQ(lines[lines.size() - 2], "mate 19");
  EXPECT_EQ(lines.back().rfind("pv +", 0), 0u) << lines.back();
  unsigned long most = 0;
  for (size_t i = 0; i + 2 < lines.size(); ++i) {
    unsigned long nodes = 0, nps = 0;
    unsigned seconds = 0, tenths = 0;
    int end = 0;
    ASSERT_EQ(std::sscanf(lines[i].c_str(), "progress nodes %lu time %u.%1u nps %lu%n", &nodes, &seconds, &tenths,
                          &nps, &end),
              4)
        << lines[i];
    EXPECT_EQ(static_cast<size_t>(end), lines[i].size()) << lines[i];
    most = std::max(most, nodes);
  }
  EXPECT_GT(most, 0u);  // counted while the solve ran, not only after it
}

// --memory above what the machine has available is refused before solving;
// a solver that cannot get the memory it was allowed says that it is memory.
TEST(CommandLine, MateMemoryBeyondTheMachineOrTheProcessLimit) {
  platform::MemoryStatus memory;
  ASSERT_TRUE(platform::memory_status(memory));
  const unsigned long long available_mb = memory.available_physical >> 20;
  const std::string problem = "velkora mate " + data("tsume/mate05_a_ai.kif") + " --ply 0";
  constexpr unsigned long long kLargestMb = 1 << 20;  // the largest --memory read
  if (available_mb < kLargestMb) {
    const Outcome r = run(problem + " --memory 1048576", true);
    EXPECT_EQ(r.status >> 8, 1);
    unsigned long long told_mb = 0;
    int end = 0;
    EXPECT_EQ(std::sscanf(r.out.c_str(), "velkora mate: --memory 1048576 is more than the %llu MB available\n%n",
                          &told_mb, &end),
              1)
        << r.out;
    EXPECT_EQ(static_cast<size_t>(end), r.out.size()) << r.out;
  }
  // The node table of 2048 MB has buckets of more than 180 MB: a 200 MB
  // address space (or, under the sanitizer, its allocation cap) cannot hold it.
#if defined(__SANITIZE_ADDRESS__)
  const std::string limit = "ASAN_OPTIONS=$ASAN_OPTIONS:allocator_may_return_null=1:max_allocation_size_mb=150 ";
#else
  const std::string limit = "ulimit -v 204800; ";
#endif
  if (available_mb > 2048) {
    const Outcome r = run(problem + " --memory 2048", true, limit);
    EXPECT_EQ(r.status >> 8, 1);
    // The sanitizer's allocator may warn on a line of its own before it.
    const std::string said = "velkora mate: cannot get 2048 MB of memory for the mate solver\n";
    EXPECT_TRUE(r.out == said || r.out.ends_with("\n" + said)) << r.out;
  }
}

// The names in a folder, sorted, without "." and "..".
std::vector<std::string> files_in(const std::string& dir) {
  std::vector<std::string> names;
  if (DIR* d = opendir(dir.c_str())) {
    while (const dirent* e = readdir(d)) {
      if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.push_back(e->d_name);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// --save finds an OUT that cannot be written before it solves, and writes
// nothing, not even its trial file, unless the answer is a mate; it says so
// when it writes nothing, and what OUT's format leaves out of the solution, as
// convert says it (QVF before the solve: it gives back the position only).
TEST(CommandLine, MateSaveIsCheckedFirstAndWritesOnlyAMate) {
  const std::string dir = ::testing::TempDir() + "/mate_save";
  mkdir(dir.c_str(), 0700);
  for (const std::string& name : files_in(dir)) unlink((dir + "/" + name).c_str());
  const std::string seven = "velkora mate " + data("tsume/mate07_b_ai.kif") + " --ply 0 --save ";
  EXPECT_TRUE(fails_with(seven + "/no/such/dir/out.kif", 1,
                         "velkora mate: cannot write '/no/such/dir/out.kif': No such file or directory\n"));
  const std::string folder = dir + "/folder.kif";
  mkdir(folder.c_str(), 0700);
  EXPECT_TRUE(fails_with(seven + folder, 1, "velkora mate: cannot write '" + folder + "': Is a directory\n"));
  rmdir(folder.c_str());
  EXPECT_TRUE(fails_with(seven + dir + "/out.vkr", 1, "velkora mate: the format vkr can be read but not written\n"));

  // The end of the problem's line: gote to move, no mate.
  const Outcome none = run("velkora mate " + data("tsume/mate05_a_ai.kif") + " --save " + dir + "/none.kif", true);
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, "nomate\nvelkora mate: '" + dir + "/none.kif' not written: there is no mate to save\n");
  // A solve cut short by its limit: a lone king in the open.
  const int hand[8] = {0, 3, 2, 2, 2, 2, 1, 1};
  const std::string lone = problem_file("open_unsaved.kif", {{5, 5, model::testing::gote(model::kOu)}}, hand);
  const Outcome open = run("velkora mate " + lone + " --time 1 --save " + dir + "/open.kif", true);
  EXPECT_EQ(open.status, 0);
  EXPECT_NE(open.out.find("unknown\nvelkora mate: '" + dir +
                          "/open.kif' not written: no mate was found within the solver's limits\n"),
            std::string::npos)
      << open.out;
  EXPECT_EQ(files_in(dir), std::vector<std::string>{});
  const Outcome mate = run(seven + dir + "/out.kif", true);
  EXPECT_EQ(mate.status, 0);
  EXPECT_EQ(lines_of(mate.out).size(), 2u) << mate.out;  // KIF holds every defence
  EXPECT_EQ(files_in(dir), std::vector<std::string>{"out.kif"});

  // KI2 and CSA hold the main line only, QVF carries back the position only.
  const Outcome ki2 = run(seven + dir + "/out.ki2", true);
  EXPECT_EQ(ki2.status, 0);
  EXPECT_EQ(lines_of(ki2.out).back(), "velkora mate: ki2 holds the main line only: 10 variations not written");
  const Outcome qvf = run(seven + dir + "/out.qvf", true);
  EXPECT_EQ(qvf.status, 0);
  EXPECT_EQ(qvf.out.rfind("velkora mate: '" + dir + "/out.qvf': QVF carries back only the position: the solution "
                          "written into it is not read back\nmate 7\n",
                          0),
            0u)
      << qvf.out;
  EXPECT_EQ(files_in(dir), (std::vector<std::string>{"out.ki2", "out.kif", "out.qvf"}));
}

TEST(CommandLine, ComposeWritesProblemsThatMateSolves) {
  const std::string dir = ::testing::TempDir();
  const Outcome r = run("velkora compose --seed 7 --count 2 --time 600 " + dir);
  EXPECT_EQ(r.status, 0);
  const std::vector<std::string> printed = lines_of(r.out);
  ASSERT_EQ(printed.size(), 2u) << r.out;
  for (int i = 0; i < 2; ++i) {
    const std::string file = dir + "/00" + std::to_string(i + 1) + ".kif";
    std::istringstream in(printed[i]);
    std::string word, path, plies_word, ms_word;
    int plies = 0, ms = -1;
    ASSERT_TRUE(in >> word >> path >> plies_word >> plies >> ms_word >> ms) << printed[i];
    EXPECT_EQ(word + path + plies_word + ms_word, "problem" + file + "pliesms");
    EXPECT_GE(plies, 7);
    EXPECT_EQ(lines_of(run("velkora mate " + file + " --ply 0").out)[0], "mate " + std::to_string(plies));
  }
  const std::string help = run("velkora compose --help").out;
  EXPECT_NE(help.find(utf8(u8"駒:先手 先盤 先不 先近 後盤 後不 後近")), std::string::npos);
  EXPECT_EQ(run("velkora compose /no/such/folder").status >> 8, 1);
}

// The composer writes a problem only when its acceptance solve has shown the
// length the shortest mate's and the line a main line at every ply: the mate
// command gives the same length, the mate line and nothing more.
TEST(CommandLine, AComposedProblemIsShownAtItsLength) {
  const std::string dir = ::testing::TempDir() + "/compose_shown";
  mkdir(dir.c_str(), 0700);
  const Outcome r = run("velkora compose --seed 3 --count 1 --time 600 --force " + dir, true);
  EXPECT_EQ(r.status, 0) << r.out;
  const std::string file = dir + "/001.kif";
  ASSERT_EQ(lines_of(r.out).size(), 1u) << r.out;
  std::istringstream in(lines_of(r.out)[0]);
  std::string word, path, plies_word;
  int plies = 0;
  ASSERT_TRUE(in >> word >> path >> plies_word >> plies) << r.out;
  EXPECT_EQ(path, file);
  const std::vector<std::string> said = lines_of(run("velkora mate " + file + " --ply 0").out);
  ASSERT_EQ(said.size(), 2u);
  EXPECT_EQ(said[0], "mate " + std::to_string(plies));
  EXPECT_EQ(said[1].rfind("pv ", 0), 0u);
}

// A problem that misses its time is told, and the batch goes on to its end:
// the problems after it are still made and written, each the same problem as
// when the ones before it missed or not (problem 3 of seed 36, made after
// problem 1 or with both before it missed). The status is 1, with a last line
// counting the problems made. The tests give a problem no time through
// VELKORA_TEST_COMPOSE_MISS rather than wait for a budget to run out.
TEST(CommandLine, AComposeBatchGoesOnAfterAProblemMissesItsTime) {
  const std::string base = ::testing::TempDir() + "/compose_miss";
  std::string problem3[2];
  const char* misses[2] = {"2", "1,2"};
  for (int run_no = 0; run_no < 2; ++run_no) {
    const std::string dir = base + std::to_string(run_no);
    mkdir(dir.c_str(), 0700);
    const Outcome r = run("velkora compose --seed 36 --count 3 --time 600 " + dir, true,
                          std::string("VELKORA_TEST_COMPOSE_MISS=") + misses[run_no] + " ");
    EXPECT_EQ(r.status >> 8, 1) << r.out;
    const std::vector<std::string> said = lines_of(r.out);
    const std::string missed = "velkora compose: problem 2 not made: none found within 600 s";
    const size_t made = run_no == 0 ? 2 : 1;
    ASSERT_EQ(said.size(), 4u) << r.out;  // a line for each of the three, then the count
    if (run_no == 0) {
      EXPECT_EQ(said[0].rfind("problem " + dir + "/001.kif plies ", 0), 0u) << r.out;
      EXPECT_EQ(said[1], missed);
    } else {
      EXPECT_EQ(said[0], "velkora compose: problem 1 not made: none found within 600 s");
      EXPECT_EQ(said[1], missed);
    }
    EXPECT_EQ(said[said.size() - 2].rfind("problem " + dir + "/003.kif plies ", 0), 0u) << r.out;
    EXPECT_EQ(said.back(), "velkora compose: made " + std::to_string(made) + " of 3 problems");
    const std::vector<std::string> written =
        run_no == 0 ? std::vector<std::string>{"001.kif", "003.kif"} : std::vector<std::string>{"003.kif"};
    EXPECT_EQ(files_in(dir), written);
    problem3[run_no] = slurp(dir + "/003.kif");
  }
  EXPECT_FALSE(problem3[0].empty());
  EXPECT_EQ(problem3[0], problem3[1]);
}

TEST(CommandLine, BenchPrintsTheNodeCountSignature) {
  const Outcome r = run("velkora bench --signature");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "signature " + std::to_string(driver::testing::kSignatureTotal) + "\n");
  EXPECT_TRUE(fails_with("velkora bench --signature --stats " + data("kif/variations.kif"), 1,
                         "velkora bench: --signature and --stats exclude each other\n"));
}

TEST(CommandLine, ReviewAndGeneratorStatistics) {
  EXPECT_EQ(run("velkora review " + data("kif/variations.kif") + " --side gote").out, "");
  const Outcome stats = run("velkora bench --stats " + data("kif/variations.kif") + " --ply 0");
  EXPECT_EQ(stats.out.rfind("generated 30 legal 30 cycles ", 0), 0u);
  EXPECT_NE(stats.out.find("\n+7776FU order "), std::string::npos);
  const std::string bad_move = "velkora bench --stats " + data("kif/variations.kif") + " --ply 0 --move +7775FU";
  EXPECT_EQ(run(bad_move, true).status >> 8, 1);
}

}  // namespace
