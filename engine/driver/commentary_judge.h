// The judgement half of the post-game commentary: how far a move swung the
// evaluation, how much later play confirms it, the verdict sentence that goes
// with both, and the clause that says how the game stood before the move.
// Scores are from the reviewed player's side; 32767 means no value.
#pragma once

#include <cstdint>
#include <string>

namespace driver {

constexpr int64_t kNoScore = 32767;

// The ending of the situation clause rotates through three forms, and the
// rotation keeps its place from one review to the next: whoever asks for
// reviews keeps one of these for its run (0 at the start).
struct CommentaryEnding {
  int counter = 0;
};

// The swing from `before` to `after` in -100..100: 0 for a missing value, a
// change below 30 (below 60 when `strict`), or a change that only widens a
// lead or deficit already beyond 1300; otherwise the change relative to the
// larger of |before| and 80, in percent, and for changes below 100 at most
// half the change.
int commentary_swing(int64_t before, int64_t after, bool strict);

// How well the later values (series[p + 2], series[p + 4], ...) bear out a
// swing s1 measured from series[p - 2]: 100 when none contradicts it, less for
// each later value that shows no swing or the opposite one.
int commentary_reliability(const int64_t* series, int count, int p, int s1);

// The verdict on a bad move. `code` 1 places the head between `a` and `b`;
// codes 0, 2 and 3 write the head, "は", the motif and `a`. An empty `a`
// means no paragraph.
struct Verdict {
  std::string a;
  std::string b;
  int code = 0;
};
Verdict commentary_verdict(int s1, int64_t before, int64_t after, int s2, int r);

// The clause on the position before the move (with `sure` when the
// reliability is 100), followed by the next ending of `ending`'s rotation.
std::string commentary_situation(int64_t before, bool sure, CommentaryEnding& ending);

}  // namespace driver
