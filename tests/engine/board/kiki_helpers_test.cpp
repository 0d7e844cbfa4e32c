// The ray helpers that make and unmake write the attack records with, called
// on their own in hand-built positions: what each takes off or puts on, where
// a walk stops, the per-ply change counters they keep, and the x-ray attacker
// lookup past the direct ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/board/kiki.h"
#include "engine/board/make_move.h"
#include "engine/board/ply_table.h"
#include "tests/engine/board/model_positions.h"
#include "tests/engine/board/position_checker.h"

namespace board {
namespace {

using model::testing::gote;
using testing::same_kiki;
using testing::scene;
using testing::Scene;

int sq(int file, int rank) { return square_of(file, rank); }
int at(const KPosition& p, int file, int rank) { return p.board[sq(file, rank)]; }
const KKiki& kiki(const KPosition& p, int file, int rank) { return kiki_at(p, sq(file, rank)); }
bool direct(const KPosition& p, int side, int file, int rank, int n) {
  return kiki_has_direct(kiki(p, file, rank), side, n);
}
bool xray(const KPosition& p, int side, int file, int rank, int n) { return (kiki(p, file, rank).xray[side] >> n) & 1; }
bool line(const KPosition& p, int side, int file, int rank, int n) { return (kiki(p, file, rank).line[side] >> n) & 1; }
bool same_records(const KPosition& a, const KPosition& b) { return std::memcmp(a.kiki, b.kiki, sizeof a.kiki) == 0; }

// A sente rook on 5九 behind its own lance on 5八, a gote pawn on 5三: the
// rook attacks 5八 directly and 5七..5三 by x-ray, every one with its line bit.
Scene rook_behind_lance() { return Scene{scene("K99 k11 R59 L58 p53")}; }
// One rank towards gote (sente's forward step).
const int kUp = square_of(5, 8) - square_of(5, 9);

TEST(KikiRayHelpers, RayTakenOffAndPutBackWithTheChangeCounters) {
  pos_table_init();
  const KPosition before = rook_behind_lance().Load();
  KPosition p = before;
  const int rook = at(p, 5, 9), lance = at(p, 5, 8);

  kiki_ray_remove_ply(p, 0, sq(5, 9), kUp, rook, 1);
  EXPECT_FALSE(direct(p, 0, 5, 8, rook));
  EXPECT_EQ(kiki(p, 5, 8).direct_count[0], kiki(before, 5, 8).direct_count[0] - 1);
  for (int rank = 8; rank >= 3; --rank) {
    EXPECT_FALSE(xray(p, 0, 5, rank, rook)) << rank;
    EXPECT_FALSE(line(p, 0, 5, rank, rook)) << rank;
    EXPECT_EQ(ply_record(0, sq(5, rank)).change[0], -1) << rank;
    EXPECT_EQ(ply_record(0, sq(5, rank)).change[1], 0) << rank;
  }
  for (int rank = 7; rank >= 3; --rank) {
    EXPECT_EQ(kiki(p, 5, rank).xray_count[0], 0) << rank;
    EXPECT_TRUE(direct(p, 0, 5, rank, lance)) << rank;  // the lance's own attacks stay
  }
  EXPECT_EQ(ply_record(0, sq(5, 2)).change[0], 0);

  // Walked again from the rook at level 0: every record as before, and each
  // counter raised back to 0.
  kiki_ray_add(p, 0, sq(5, 9), kUp, rook, 0, 1);
  EXPECT_TRUE(same_records(p, before));
  for (int rank = 9; rank >= 1; --rank) EXPECT_EQ(ply_record(0, sq(5, rank)).change[0], 0) << rank;

  // Started at level 1, the walk records even the first square as an x-ray;
  // taking that ray off finds the rook in the x-ray set there.
  kiki_ray_remove_ply(p, 0, sq(5, 9), kUp, rook, 0);
  kiki_ray_add(p, 0, sq(5, 9), kUp, rook, 1, 0);
  EXPECT_FALSE(direct(p, 0, 5, 8, rook));
  EXPECT_TRUE(xray(p, 0, 5, 8, rook));
  EXPECT_TRUE(line(p, 0, 5, 8, rook));
  EXPECT_EQ(kiki(p, 5, 8).xray_count[0], 1);
  EXPECT_TRUE(xray(p, 0, 5, 3, rook));
  EXPECT_FALSE(xray(p, 0, 5, 2, rook));
  kiki_ray_remove_ply(p, 0, sq(5, 9), kUp, rook, 0);
  EXPECT_EQ(kiki(p, 5, 8).xray_count[0], 0);
  EXPECT_FALSE(line(p, 0, 5, 8, rook));
  kiki_ray_add(p, 0, sq(5, 9), kUp, rook, 0, 0);
  EXPECT_TRUE(same_records(p, before));
  // Without the flag no counter moved.
  for (int rank = 9; rank >= 1; --rank) EXPECT_EQ(ply_record(0, sq(5, rank)).change[0], 0) << rank;
}

TEST(KikiRayHelpers, RemovalGoesPastTheKingButStopsAfterAnyOtherEnemyPiece) {
  // A gote rook on 5一 checking the sente king on 5五: its attack goes on
  // through the king to 5六, and taking the ray off takes that one too.
  {
    const KPosition before = Scene{scene("K55 k11 r51")}.Load();
    KPosition p = before;
    const int rook = at(p, 5, 1);
    ASSERT_TRUE(direct(p, 1, 5, 6, rook));
    kiki_ray_remove_ply(p, 1, sq(5, 1), -kUp, rook, 0);
    for (int rank = 2; rank <= 6; ++rank) EXPECT_FALSE(direct(p, 1, 5, rank, rook)) << rank;
    EXPECT_EQ(kiki(p, 5, 6).direct_count[1], 0);
    kiki_ray_add(p, 1, sq(5, 1), -kUp, rook, 0, 0);
    EXPECT_TRUE(same_records(p, before));
  }
  // The rook's ray ends on a sente pawn on 5五. The pawn steps to 5四 on the
  // board only (the records still show the ray to 5五): the walk takes the
  // rook off 5二..5四 and stops after the pawn, leaving 5五 as it was.
  {
    Scene b{scene("K99 k11 r51 P55")};
    KPosition p = b.Load();
    const int rook = at(p, 5, 1);
    make_move_light(p, b.Move(p, 5, 5, 5, 4));
    const KKiki behind = kiki(p, 5, 5);
    kiki_ray_remove_ply(p, 1, sq(5, 1), -kUp, rook, 0);
    for (int rank = 2; rank <= 4; ++rank) {
      EXPECT_FALSE(direct(p, 1, 5, rank, rook)) << rank;
      EXPECT_FALSE(line(p, 1, 5, rank, rook)) << rank;
    }
    EXPECT_TRUE(same_kiki(kiki(p, 5, 5), behind));
    EXPECT_TRUE(direct(p, 1, 5, 5, rook));
  }
}

TEST(KikiRayHelpers, BitRemoveTakesTheDirectAttackElseTheXrayAndSaysWhenThereIsNone) {
  KPosition p = rook_behind_lance().Load();
  const int rook = at(p, 5, 9), lance = at(p, 5, 8);
  const KKiki first = kiki(p, 5, 8), second = kiki(p, 5, 7);

  EXPECT_EQ(kiki_bit_remove(p, 0, sq(5, 8), rook), 0);
  EXPECT_FALSE(direct(p, 0, 5, 8, rook));
  EXPECT_FALSE(line(p, 0, 5, 8, rook));
  EXPECT_EQ(kiki(p, 5, 8).direct_count[0], first.direct_count[0] - 1);
  EXPECT_EQ(kiki(p, 5, 8).xray_count[0], first.xray_count[0]);

  EXPECT_EQ(kiki_bit_remove(p, 0, sq(5, 7), rook), 0);
  EXPECT_FALSE(xray(p, 0, 5, 7, rook));
  EXPECT_FALSE(line(p, 0, 5, 7, rook));
  EXPECT_EQ(kiki(p, 5, 7).xray_count[0], second.xray_count[0] - 1);
  EXPECT_EQ(kiki(p, 5, 7).direct_count[0], second.direct_count[0]);
  EXPECT_TRUE(direct(p, 0, 5, 7, lance));

  // Nothing of the rook is left there, or ever was (5二 lies past the pawn):
  // 1, and the record is not touched.
  for (int rank : {7, 2}) {
    const KKiki seen = kiki(p, 5, rank);
    EXPECT_EQ(kiki_bit_remove(p, 0, sq(5, rank), rook), 1) << rank;
    EXPECT_TRUE(same_kiki(kiki(p, 5, rank), seen)) << rank;
  }
}

TEST(KikiNth32, XrayAttackersHighestNumberFirst) {
  // 5五 is x-rayed by the rook on 5九 through the lance on 5八 and by the
  // bishop on 1九 through the bishop on 2八; the lance and the front bishop
  // attack it directly and are not in the x-ray set.
  const KPosition p = Scene{scene("K99 k11 R59 L58 B19 B28")}.Load();
  const int rook = at(p, 5, 9), back_bishop = at(p, 1, 9);
  const int lance = at(p, 5, 8), front_bishop = at(p, 2, 8);
  ASSERT_TRUE(direct(p, 0, 5, 5, lance));
  ASSERT_TRUE(direct(p, 0, 5, 5, front_bishop));
  EXPECT_EQ(kiki_nth32(p, 0, sq(5, 5), 0), std::max(rook, back_bishop));
  EXPECT_EQ(kiki_nth32(p, 0, sq(5, 5), 1), std::min(rook, back_bishop));
  EXPECT_EQ(kiki_nth32(p, 0, sq(5, 5), 2), kEmptyNumber);
  // Only the rook goes on up the file; gote x-rays nothing.
  EXPECT_EQ(kiki_nth32(p, 0, sq(5, 2), 0), rook);
  EXPECT_EQ(kiki_nth32(p, 0, sq(5, 2), 1), kEmptyNumber);
  EXPECT_EQ(kiki_nth32(p, 1, sq(5, 5), 0), kEmptyNumber);
}

}  // namespace
}  // namespace board
