// Reading the program's own game file: the stored position is taken back to the
// start of the game, then the whole game is replayed into a new graph, every
// move checked by the rules, before it reaches the record.
#include "model/formats/vkr_reader.h"

#include <cstdint>
#include <vector>

namespace model {

namespace {

using L = VkrLayout;

constexpr const char* kPersonName = "人間";
constexpr const char* kComputerName = "ボルカ将棋";

// End codes of the move records, by stored value.
constexpr int kEndCodes[] = {kOrdinaryMove, kToryo,      kChudan, kMatta, kKachi,
                             kKireMake,     kHansokuMake, kMake,  kSennichite};
constexpr int kEndPerpetualCheck = 9;
constexpr int kEndCodeCount = static_cast<int>(sizeof kEndCodes / sizeof kEndCodes[0]);

int16_t le16(const unsigned char* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }
int32_t le32(const unsigned char* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                              (static_cast<uint32_t>(p[2]) << 16) |
                              (static_cast<uint32_t>(p[3]) << 24));
}

// Reads exactly n bytes; false on a short read.
bool read_exact(TextReader& in, unsigned char* buf, int n) {
  return in.Read(reinterpret_cast<char*>(buf), n) == n;
}

// Reads exactly n bytes that must be followed by more of the file.
bool read_more(TextReader& in, unsigned char* buf, int n) {
  return read_exact(in, buf, n) && !in.IsEof();
}

struct VkrMove {
  Sashite sashite;
  int seconds;
};

// Reads one move record. A special move keeps no squares: only the piece that
// names its side, which must be a piece (else the king of `teban` stands in),
// so that every code reading the record can rely on it. Any nonzero promotion
// byte promotes and is kept as 1, and a drop captures nothing whatever its
// capture byte holds (a gote-side empty square, say): the values every other
// reader gives, so that the move compares equal to the same move read from a
// text, and taking it back leaves a plain empty square.
bool read_move(TextReader& in, int teban, VkrMove& out) {
  unsigned char rec[L::kMoveBytes];
  if (!read_exact(in, rec, L::kMoveBytes)) return false;
  Sashite& m = out.sashite;
  m.Set(static_cast<int8_t>(rec[0]), static_cast<int8_t>(rec[1]), static_cast<int8_t>(rec[2]),
        static_cast<int8_t>(rec[3]), rec[4], rec[5], rec[6] != 0 ? 1 : 0, kOrdinaryMove);
  if (m.IsDrop()) m.tori.Set(kEmpty);
  const int special = vkr_special_code(rec[7], m.koma);
  if (special != kOrdinaryMove) {
    const int king = m.koma.Side() >= 0 ? m.koma.code : (kOu | (teban ? kGoteBit : 0));
    m.Set(0, 0, 0, 0, king, 0, 0, special);
  }
  out.seconds = rec[L::kMoveSeconds] | (rec[L::kMoveSeconds + 1] << 8);
  return true;
}

bool is_recognised_teaiwari(int32_t bits) {
  for (const int32_t v : kRecognisedTeaiwari) {
    if (v == bits) return true;
  }
  return false;
}

// Header and stored position into `body`; n and m out. False on a bad field.
bool read_head(TextReader& in, KifuBody& body, int32_t* n, int32_t* m) {
  unsigned char head[L::kMoves];
  if (!read_more(in, head, L::kPlayerKinds)) return false;
  if (!read_more(in, head + L::kPlayerKinds, 4)) return false;
  for (int side = 0; side < 2; ++side) {
    const bool person = le16(head + L::kPlayerKinds + 2 * side) == 0;
    body.names[side].Assign(person ? kPersonName : kComputerName);
  }
  if (!read_more(in, head + 36, 4) || !read_more(in, head + 40, 2)) return false;
  if (!read_exact(in, head + L::kSide, 4)) return false;
  const int32_t handicap = static_cast<uint16_t>(le16(head + L::kHandicap));
  if (!is_recognised_teaiwari(handicap)) return false;
  Kyokumen& pos = body.Start()->kyokumen;
  pos.Init(handicap);
  pos.teban = le16(head + L::kSide) == 0 ? 0 : 1;

  unsigned char* grid = head + L::kGrid;
  if (!read_more(in, grid, L::kGridRows * L::kGridColumns)) return false;
  for (int r = 1; r <= 9; ++r) {
    for (int c = 1; c <= 9; ++c) pos.At(c, r).Set(grid[r * L::kGridColumns + c]);
  }
  for (int r = kFu; r <= kOu; ++r) {
    for (int row = 0; row < 3; ++row) {
      pos.mochigoma[row][r] = static_cast<int8_t>(grid[r * L::kGridColumns + L::kHandColumn[row]]);
    }
  }
  if (!read_exact(in, head + L::kPlyCount, L::kMoves - L::kPlyCount)) return false;
  *n = le32(head + L::kPlyCount);
  *m = le32(head + L::kMoveCount);
  return *n >= 0 && *n <= *m;
}

}  // namespace

int vkr_special_code(int end_code, Koma koma) {
  if (end_code == kEndPerpetualCheck) {
    return koma.Side() == 0 ? kSennichiteSenteOute : kSennichiteGoteOute;
  }
  return (end_code >= 0 && end_code < kEndCodeCount) ? kEndCodes[end_code] : kOrdinaryMove;
}

int kifu_read_vkr(Kifu& kifu, TextReader& in, bool merge) {
  KifuBody body;  // freed with everything it holds on every early return
  int32_t n, m;
  if (!read_head(in, body, &n, &m)) return -1;
  KifuKyokumen* start = body.Start();
  Kyokumen& pos = start->kyokumen;

  // The moves up to the stored position, taken back from the last one. Only
  // the last of them may be a special move; it has no effect on the board.
  std::vector<VkrMove> before;
  for (int32_t i = 0; i < n; ++i) {
    VkrMove mv;
    if (!read_move(in, pos.teban, mv)) return -1;
    if (mv.sashite.special != kOrdinaryMove && i != n - 1) return -1;
    before.push_back(mv);
  }
  for (auto it = before.rbegin(); it != before.rend(); ++it) {
    if (it->sashite.special != kOrdinaryMove) continue;
    if (!pos.UndoSashite(it->sashite)) return -1;
  }
  // The same start-position check as every text reader's: the box and the
  // handicap are recounted from the pieces present, and the position must be
  // a possible set-up, so that a game read here can be written in every text
  // format and read back.
  pos.CalcTeaiwari();
  if (!pos.Check()) return -1;
  body.table->Rehash(start);

  // Replays the game; every ordinary move must be legal where it is made, and a
  // special move may only end the game.
  Kyokumen work;
  work.Copy(pos);
  KifuKyokumen* node = start;
  for (int32_t i = 0; i < m; ++i) {
    VkrMove mv;
    if (i < n) {
      mv = before[static_cast<size_t>(i)];
    } else if (!read_move(in, work.teban, mv)) {
      return -1;
    }
    if (mv.sashite.special != kOrdinaryMove) {
      if (i != m - 1) return -1;
    } else if (!work.DoSashite(mv.sashite) || !work.Check()) {
      return -1;  // an illegal move, or one that takes a king
    }
    KifuSashite* added = Kifu::AddSashiteAtPos(node, mv.sashite, mv.seconds, nullptr, -1,
                                               body.table.get(), KifuChooser::kNever, true);
    if (!added || !added->to) return -1;
    node = added->to;
  }
  return kifu.TakeOver(std::move(body), merge);
}

int kifu_write_vkr(const Kifu&, TextWriter&) { return -1; }

int kifu_write_vkr_from(const Kifu&, TextWriter&, const Kyokumen&) { return -1; }

}  // namespace model
