// velkora review as the stand-in for a game against the computer: a record
// without analysis is thought through first, the values saved as KIF are read
// back without thinking again, and the commentary comes out the same.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/app/command_runner.h"

namespace {

using namespace command_test;

// The lines of `text` that begin (or do not begin) with `prefix`.
std::vector<std::string> lines_with(const std::string& text, const std::string& prefix, bool with) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find('\n', at);
    const std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if ((line.rfind(prefix, 0) == 0) == with) lines.push_back(line);
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return lines;
}

// Writes `text` as the whole file `path`; false when it cannot.
bool write_file(const std::string& path, const std::string& text) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool written = fwrite(text.data(), 1, text.size(), f) == text.size();
  return fclose(f) == 0 && written;
}

TEST(ReviewCommand, ThinksThroughARecordWithoutValuesAndSavesThem) {
  const std::string example = data("../../examples/aigakari.kif");
  const std::string saved = ::testing::TempDir() + "/reviewed.kif";
  const std::string progress = "velkora review: move ";
  // Sente's moves are judged by the values on gote's nine moves.
  const Outcome first = run("velkora review " + example + " --depth 2 --save " + saved, true);
  EXPECT_EQ(first.status, 0);
  EXPECT_EQ(lines_with(first.out, progress, true).size(), 9u) << first.out;
  const std::vector<std::string> commentary = lines_with(first.out, progress, false);
  ASSERT_FALSE(commentary.empty()) << first.out;
  EXPECT_NE(commentary[0].find(utf8(u8"手目 ▲")), std::string::npos) << commentary[0];

  const Outcome again = run("velkora review " + saved, true);
  EXPECT_EQ(again.status, 0);
  EXPECT_TRUE(lines_with(again.out, progress, true).empty()) << again.out;
  EXPECT_EQ(lines_with(again.out, progress, false), commentary);

  EXPECT_TRUE(fails_with("velkora review " + example + " --save x.csa", 1,
                         "velkora review: --save needs a .kif, .kifu or .ckf file name (only KIF keeps the analysis values), "
                         "not 'x.csa'\n"));
}

// Two games of velkora against itself, thought through at depth 3 and saved;
// the review of the saved record reads the values back and says the same,
// down to the motifs and suggestions that depend on the engine's exchange
// values and move generator (a leftover of the last think changed them once).
TEST(ReviewCommand, SavedRecordGivesTheSameCommentary) {
  const struct {
    const char* record;
    const char* side;
  } kGames[] = {{"review/self_play_70.csa", "sente"}, {"review/self_play_40.kif", "gote"}};
  const std::string saved = ::testing::TempDir() + "/same_review.kif";
  for (const auto& game : kGames) {
    const std::string side = std::string(" --side ") + game.side;
    const Outcome first = run("velkora review " + data(game.record) + side + " --depth 3 --save " + saved);
    EXPECT_EQ(first.status, 0) << game.record;
    EXPECT_NE(first.out.find(utf8(u8"手目")), std::string::npos) << game.record << first.out;
    const Outcome again = run("velkora review " + saved + side);
    EXPECT_EQ(again.status, 0) << game.record;
    EXPECT_EQ(again.out, first.out) << game.record;
  }
}

// Ctrl-C while a review thinks leaves an OUT that an earlier review wrote as
// it was, says so, and exits with 130 after the commentary on what was
// thought.
TEST(ReviewCommand, StoppedReviewLeavesTheSavedRecordWhole) {
  const std::string example = data("../../examples/aigakari.kif");
  const std::string saved = ::testing::TempDir() + "/kept_review.kif";
  ASSERT_EQ(run("velkora review " + example + " --depth 2 --save " + saved).status, 0);
  const std::string complete = slurp(saved);
  ASSERT_NE(complete.find("*!VAL="), std::string::npos);

  // Stopped after the first of the nine thinks.
  const Interrupted r =
      run_interrupted({"review", example, "--depth", "6", "--save", saved}, "(1 of 9)", 0, 10000);
  ASSERT_TRUE(r.ended) << r.out << r.err;
  EXPECT_TRUE(WIFEXITED(r.status) && WEXITSTATUS(r.status) == 130) << r.status;
  EXPECT_NE(r.err.find("velkora review: stopped; '" + saved + "' not written\n"), std::string::npos) << r.err;
  EXPECT_EQ(slurp(saved), complete);
}

// Ctrl-C while a review without --save thinks: the commentary that follows
// is on part of the record, and a line on standard error says so.
TEST(ReviewCommand, StoppedReviewSaysItsCommentaryIsPartial) {
  const Interrupted r =
      run_interrupted({"review", data("../../examples/aigakari.kif"), "--depth", "6"}, "(1 of 9)", 0, 10000);
  ASSERT_TRUE(r.ended) << r.out << r.err;
  EXPECT_TRUE(WIFEXITED(r.status) && WEXITSTATUS(r.status) == 130) << r.status;
  EXPECT_NE(r.err.find("velkora review: stopped; the commentary covers only the moves thought so far\n"),
            std::string::npos)
      << r.err;
}

// A Ctrl-C that lands once the last think has ended, before OUT is written
// or after: the review is complete and goes on to the end, OUT written and
// status 0, with or without --save. Never OUT replaced with 130, nor 130
// without a word.
TEST(ReviewCommand, InterruptAfterTheThinkingStopsNothing) {
  const std::string review = "velkora review " + data("../../examples/aigakari.kif") + " --depth 2";
  const std::string saved = ::testing::TempDir() + "/late_review.kif";
  const std::string earlier = "an earlier review\n";
  for (const char* point : {"review-thought", "review-saved"}) {
    const std::string late = std::string("VELKORA_TEST_INTERRUPT=") + point + " ";
    ASSERT_TRUE(write_file(saved, earlier));
    const Outcome with_save = run(review + " --save " + saved, true, late);
    EXPECT_TRUE(WIFEXITED(with_save.status) && WEXITSTATUS(with_save.status) == 0) << point << ": " << with_save.out;
    EXPECT_EQ(with_save.out.find("stopped"), std::string::npos) << point << ": " << with_save.out;
    EXPECT_NE(with_save.out.find(utf8(u8"手目 ▲")), std::string::npos) << point << ": " << with_save.out;
    EXPECT_NE(slurp(saved).find("*!VAL="), std::string::npos) << point;

    const Outcome without = run(review, true, late);
    EXPECT_TRUE(WIFEXITED(without.status) && WEXITSTATUS(without.status) == 0) << point << ": " << without.out;
    EXPECT_EQ(without.out.find("stopped"), std::string::npos) << point << ": " << without.out;
  }
}

// An OUT that cannot be written is found before the thinks (no progress
// line), and the failure gives the system's reason.
TEST(ReviewCommand, SaveThatCannotBeWrittenFailsBeforeThinking) {
  const std::string review = "velkora review " + data("../../examples/aigakari.kif") + " --depth 2 --save ";
  EXPECT_TRUE(fails_with(review + "/no/such/dir/out.kif", 1,
                         "velkora review: cannot write '/no/such/dir/out.kif': No such file or directory\n"));
  const std::string folder = ::testing::TempDir() + "/review_folder.kif";
  ::mkdir(folder.c_str(), 0700);
  EXPECT_TRUE(fails_with(review + folder, 1, "velkora review: cannot write '" + folder + "': Is a directory\n"));
  ::rmdir(folder.c_str());
}

}  // namespace
