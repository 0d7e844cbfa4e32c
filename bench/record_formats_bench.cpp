// Reading and writing game records in every format through the program's own
// file paths (kifu_save_file, kifu_load_file): a record of 10^5 or 10^6 moves
// and a short record with a comment and a name of 1 MB each. The long record
// is a king shuffle that repeats four positions all through it, the worst case
// for the position table; its times should grow tenfold from 10^5 to 10^6.
// The own game file and the change-branch layout are read only. Also the
// conversion of a UTF-8 record's text to Shift-JIS when none of its characters
// has a Shift-JIS form (each becomes "?"): its time should grow tenfold with
// the text, as for any other text.
#include <benchmark/benchmark.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>

#include "model/formats/kifu_dispatch.h"
#include "model/formats/vkr_reader.h"
#include "model/record/kifu_holder.h"
#include "model/text/text_encoding.h"

namespace {

using model::KifuHolder;

// The record kinds, by benchmark argument: 0 the 1 MB comment record, else the
// number of moves.
constexpr int kCommentRecord = 0;
constexpr int kCommentBytes = 1 << 20;

const char* extension(int format) {
  switch (format) {
    case model::kFormatKif: return "kif";
    case model::kFormatKi2: return "ki2";
    case model::kFormatCsa: return "csa";
    case model::kFormatQvf: return "qvf";
    case model::kFormatVkr: return "vkr";
    case model::kFormatCkf: return "ckf";
    default: return "qvx";
  }
}

std::string path_of(int format, int kind) {
  return "/tmp/velkora_bench_" + std::to_string(getpid()) + "_" + std::to_string(kind) + "." +
         extension(format);
}

// The king shuffle: 4八玉, 6二玉, 5九玉, 5一玉, and again.
model::Sashite shuffle_move(const model::Kyokumen& pos, int ply) {
  static constexpr int kSquares[4][4] = {{5, 9, 4, 8}, {5, 1, 6, 2}, {4, 8, 5, 9}, {6, 2, 5, 1}};
  const int* s = kSquares[ply % 4];
  model::Sashite m(s[0], s[1], s[2], s[3], 0, 0, 0, 0);
  pos.CompleteSashite(m);
  return m;
}

// Plays `plies` shuffle moves from the start, one second each; returns the
// move at `comment_ply` (or the last).
model::KifuSashite* play_shuffle(model::Kifu& kifu, int plies, int comment_ply) {
  model::KifuKyokumen* node = kifu.Start();
  model::KifuSashite* marked = nullptr;
  for (int ply = 0; ply < plies; ++ply) {
    model::KifuSashite* m = model::Kifu::AddSashiteAtPos(node, shuffle_move(node->kyokumen, ply), 1,
                                                         nullptr, -1, kifu.table.get(),
                                                         model::KifuChooser::kNever, true);
    if (ply == comment_ply || !marked) marked = m;
    node = m->to;
  }
  return marked;
}

KifuHolder& record(int kind) {
  static std::map<int, std::unique_ptr<KifuHolder>> records;
  std::unique_ptr<KifuHolder>& h = records[kind];
  if (h) return *h;
  h = std::make_unique<KifuHolder>();
  model::Kifu& kifu = h->kifu;
  kifu.names[0].Assign("先手");
  kifu.names[1].Assign("後手");
  if (kind != kCommentRecord) {
    play_shuffle(kifu, kind, -1);
    return *h;
  }
  // 1 MB of comment lines on one move, and a name of 1 MB on one line.
  model::KifuSashite* m = play_shuffle(kifu, 20, 10);
  std::string comment;
  for (int line = 0; comment.size() < static_cast<size_t>(kCommentBytes); ++line) {
    comment += "長い解説の" + std::to_string(line) + "行目、同じ文を繰り返して長さを稼ぐ。\r\n";
  }
  m->comment.Assign(comment.c_str());
  std::string name;
  while (name.size() < static_cast<size_t>(kCommentBytes)) name += "名";
  kifu.names[0].Assign(name.c_str());
  return *h;
}

void put_le(std::string& b, size_t at, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>(v >> (8 * i));
}

// The record's line as an own game file (even game, stored at its start).
std::string vkr_bytes(const model::Kifu& kifu) {
  using L = model::VkrLayout;
  std::string b(L::kMoves, '\0');
  put_le(b, L::kPlayerKinds + 2, 1, 2);
  const model::Kyokumen& start = kifu.Start()->kyokumen;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) b[L::kGrid + r * L::kGridColumns + c] = static_cast<char>(start.At(c, r).code);
  }
  uint32_t m = 0;
  std::string moves;
  for (const model::KifuKyokumen* n = kifu.Start(); n->next.Count() > 0; n = n->next.At(0)->to, ++m) {
    std::string rec(L::kMoveBytes, '\0');
    std::memcpy(rec.data(), &n->next.At(0)->sashite, 7);
    put_le(rec, L::kMoveSeconds, static_cast<uint32_t>(n->next.At(0)->seconds), 4);
    moves += rec;
  }
  put_le(b, L::kMoveCount, m, 4);
  return b + moves;
}

// The record's line in the change-branch layout: the even-game block and one
// move a line, comments as "*" lines.
std::string qvx_text(const model::Kifu& kifu) {
  std::string t = "手合割：平手\n\n";
  for (const char* row : {"|v香v桂v銀v金v玉v金v銀v桂v香|一", "| ・v飛 ・ ・ ・ ・ ・v角 ・|二",
                          "|v歩v歩v歩v歩v歩v歩v歩v歩v歩|三", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|四",
                          "| ・ ・ ・ ・ ・ ・ ・ ・ ・|五", "| ・ ・ ・ ・ ・ ・ ・ ・ ・|六",
                          "| 歩 歩 歩 歩 歩 歩 歩 歩 歩|七", "| ・ 角 ・ ・ ・ ・ ・ 飛 ・|八",
                          "| 香 桂 銀 金 玉 金 銀 桂 香|九", "後手持駒：なし", "先手持駒：なし", ""}) {
    t += row;
    t += "\n";
  }
  int prev_x = 0, prev_y = 0;
  model::KString text;
  for (const model::KifuKyokumen* n = kifu.Start(); n->next.Count() > 0; n = n->next.At(0)->to) {
    const model::KifuSashite* m = n->next.At(0);
    n->kyokumen.SashiteToText(m->sashite, prev_x, prev_y, text);
    t += text.c_str();
    t += "\n";
    for (const char* c = m->comment.c_str(); *c;) {
      const char* end = std::strchr(c, '\n');
      const size_t len = end ? static_cast<size_t>(end - c) : std::strlen(c);
      t.append("*").append(c, len).append("\n");
      c += len + (end ? 1 : 0);
    }
    prev_x = m->sashite.to_x;
    prev_y = m->sashite.to_y;
  }
  return t;
}

// The file a read benchmark loads, written for it (and removed by it).
std::string input_file(int format, int kind) {
  const std::string path = path_of(format, kind);
  KifuHolder& h = record(kind);
  if (format == model::kFormatVkr || format == model::kFormatKifHenka) {
    const std::string bytes = format == model::kFormatVkr ? vkr_bytes(h.kifu) : qvx_text(h.kifu);
    FILE* fp = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), fp);
    std::fclose(fp);
  } else {
    int code = format;
    model::kifu_save_file(h, path.c_str(), &code);
  }
  return path;
}

void label(benchmark::State& state, int format, int kind, const std::string& path) {
  struct stat st;
  const double bytes = stat(path.c_str(), &st) == 0 ? static_cast<double>(st.st_size) : 0;
  std::string label = extension(format);
  if (kind == kCommentRecord) {
    label.append(" 1 MB comment and name");
  } else {
    label.append(" ").append(std::to_string(kind)).append(" moves");
  }
  state.SetLabel(label);
  state.counters["MB"] = bytes / (1 << 20);
  state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}

void BM_WriteRecord(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  const int kind = static_cast<int>(state.range(1));
  KifuHolder& h = record(kind);
  const std::string path = path_of(format, kind) + ".out";
  for (auto _ : state) {
    int code = format;
    if (!model::kifu_save_file(h, path.c_str(), &code)) state.SkipWithError("cannot write");
  }
  label(state, format, kind, path);
  std::remove(path.c_str());
}

void BM_ReadRecord(benchmark::State& state) {
  const int format = static_cast<int>(state.range(0));
  const int kind = static_cast<int>(state.range(1));
  const std::string path = input_file(format, kind);
  for (auto _ : state) {
    KifuHolder h;
    int code = format;
    if (!model::kifu_load_file(h, path.c_str(), &code, false)) state.SkipWithError("cannot read");
    benchmark::DoNotOptimize(h.kifu.table->Count());
  }
  label(state, format, kind, path);
  std::remove(path.c_str());
}

// A text of n characters U+FFFD, by the argument n.
void BM_Utf8WithoutShiftJisForm(benchmark::State& state) {
  std::string text;
  for (int64_t i = 0; i < state.range(0); ++i) text += "\xEF\xBF\xBD";
  for (auto _ : state) benchmark::DoNotOptimize(model::utf8_to_sjis(text));
  state.SetBytesProcessed(static_cast<int64_t>(text.size()) * state.iterations());
}

constexpr int kWritten[] = {model::kFormatKif, model::kFormatKi2, model::kFormatCsa, model::kFormatQvf,
                            model::kFormatCkf};
constexpr int kKinds[] = {kCommentRecord, 100000, 1000000};

void written_formats(benchmark::internal::Benchmark* b) {
  for (int format : kWritten) {
    for (int kind : kKinds) b->Args({format, kind});
  }
}

void read_formats(benchmark::internal::Benchmark* b) {
  written_formats(b);
  for (int format : {model::kFormatVkr, model::kFormatKifHenka}) {
    for (int kind : kKinds) b->Args({format, kind});
  }
}

}  // namespace

BENCHMARK(BM_WriteRecord)->Apply(written_formats)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ReadRecord)->Apply(read_formats)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_Utf8WithoutShiftJisForm)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
