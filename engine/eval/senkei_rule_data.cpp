// The conditions here are written like the builders' other rules: a few pieces
// on fixed squares of the building side's view. The cells and amounts are what
// each rule is meant to move; the conditions are this engine's reading of when
// the formation wants that move.
#include "engine/eval/senkei_rule_data.h"

#include "engine/eval/eval_setup.h"
#include "engine/eval/senkei_table.h"

namespace eval {

namespace {

using board::kBishop, board::kGold, board::kKnight, board::kLance, board::kPawn, board::kRook, board::kSilver;
using board::KPosition;

constexpr int8_t R = kRookLayer, B = kBishopLayer, G = kGoldLayer, S = kSilverLayer, N = kKnightLayer, P = kPawnLayer,
                 K = kKingLayer;

// True when both kings stand on files lo..hi of their own views.
bool kings_on_files(const KPosition& p, int s, int lo, int hi) {
  const int a = own_king_file(p, s);
  const int b = own_king_file(p, 1 - s);
  return a >= lo && a <= hi && b >= lo && b <= hi;
}

// ---- The ranging-rook builder ----------------------------------------------------
// A rook lifted to rank 6 wants that rank open: pawns pushed onto it would close
// the rook's line, and a rook that has gone left should not run back along it.

constexpr CellChange kRank6Centre[] = {{P, 46, -6}, {P, 36, -4}};
constexpr CellChange kRank6Left[] = {{P, 76, -8}, {R, 96, -3}};
constexpr CellChange kRank6Return[] = {{R, 26, -10}, {R, 36, -5}};

const SenkeiRule kFuribishaRank6[] = {
    {[](const KPosition& p, int s) {
       return own_at_any(p, s, kRook, {66, 56}) && empty_at(p, s, 46) && empty_at(p, s, 36);
     },
     kRank6Centre},
    {[](const KPosition& p, int s) {
       return own_at_any(p, s, kRook, {86, 96}) && empty_at(p, s, 76);
     },
     kRank6Left},
    {[](const KPosition& p, int s) {
       return own_at_any(p, s, kRook, {76, 66, 56}) && empty_at(p, s, 26);
     },
     kRank6Return},
};

// With the king castled on the right, the rook must not come back to its side.
constexpr CellChange kKingRight[] = {{R, 48, -50}, {R, 38, -50}, {R, 28, -50},
                                     {R, 47, -50}, {R, 37, -50}, {R, 27, -50}};

const SenkeiRule kFuribishaKingRight[] = {
    {[](const KPosition& p, int s) {
       const int f = own_king_file(p, s);
       return f >= 1 && f <= 4;
     },
     kKingRight},
};

// ---- The anti-ranging builder ------------------------------------------------------
// Both kings on the left: the pawns in front of the king stay, and the right-hand
// pawns on files 1 and 3 are not pushed.

constexpr CellChange kSameWingFile6[] = {{P, 65, -50}, {P, 55, -50}};
constexpr CellChange kSameWingFile7[] = {{P, 75, -50}, {P, 65, -50}};
constexpr CellChange kSameWingFile8[] = {{P, 85, -50}, {P, 75, -50}};
constexpr CellChange kSameWingFile9[] = {{P, 95, -50}, {P, 85, -50}};
constexpr CellChange kSameWingFile1[] = {{P, 12, -60}, {P, 13, -60}, {P, 14, -60},
                                         {P, 16, -60}, {P, 17, -60}, {P, 19, -60}};
constexpr CellChange kSameWingFile3[] = {{P, 32, -35}, {P, 34, -35}, {P, 36, -35},
                                         {P, 37, -35}, {P, 38, -35}, {P, 39, -35}};

template <int kFile>
bool same_wing_king_file(const KPosition& p, int s) {
  return kings_on_files(p, s, 6, 9) && own_king_file(p, s) == kFile;
}
bool same_wing(const KPosition& p, int s) { return kings_on_files(p, s, 6, 9); }

const SenkeiRule kTaifuriSameWing[] = {
    {same_wing_king_file<6>, kSameWingFile6},
    {same_wing_king_file<7>, kSameWingFile7},
    {same_wing_king_file<8>, kSameWingFile8},
    {same_wing_king_file<9>, kSameWingFile9},
    {same_wing, kSameWingFile1},
    {same_wing, kSameWingFile3},
};

// ---- The undecided builder -----------------------------------------------------------

// Against the mutual ranging rook the left knight may jump; the advanced knights
// only get caught.
constexpr CellChange kAifuriKnights[] = {{N, 77, 2}, {N, 65, -8}, {N, 45, -5}, {N, 85, -20}};

const SenkeiRule kMikketteiAifuri[] = {
    {[](const KPosition&, int s) { return eval_setup.root_senkei[1 - s] == 6; }, kAifuriKnights},
};

// Against a ranging rook the king goes left, against an anti-ranging plan right;
// with both kings in the centre the centre stays closed; with both on their own
// left wings the edge pawn attacks the opponent's king.
constexpr CellChange kKingLeft[] = {{K, 78, 6}, {K, 68, 4}};
constexpr CellChange kKingRightWing[] = {{K, 38, 6}, {K, 28, 4}};
constexpr CellChange kCentreClosed[] = {{P, 56, -4}, {P, 55, -6}};
constexpr CellChange kEdgeAttack[] = {{P, 16, 4}, {P, 15, 2}};

const SenkeiRule kMikketteiFurther[] = {
    {[](const KPosition&, int s) {
       const int c = eval_setup.root_senkei[1 - s];
       return c == 6 || senkei_furibisha_flag(c);
     },
     kKingLeft},
    {[](const KPosition&, int s) { return senkei_taifuri_flag(eval_setup.root_senkei[1 - s]); }, kKingRightWing},
    {[](const KPosition& p, int s) { return kings_on_files(p, s, 5, 5); }, kCentreClosed},
    {[](const KPosition& p, int s) { return kings_on_files(p, s, 6, 9); }, kEdgeAttack},
};

constexpr CellTarget kKingFileTargets[] = {{K, 59, -30}, {K, 58, -20}};

// ---- The fourth-file rook with mino ------------------------------------------------

constexpr CellChange kGold38[] = {{G, 56, -2}, {G, 57, -4}, {G, 58, -4}, {G, 59, -4}, {G, 67, -4}, {G, 68, -4},
                                  {G, 69, -4}, {G, 76, -2}, {G, 78, -4}, {G, 79, -4}, {G, 66, -2}, {G, 77, -4}};

const SenkeiRule kShikenMinoGold38[] = {
    {[](const KPosition& p, int s) { return own_at(p, s, kGold, 38); }, kGold38},
};

constexpr CellChange kHighMinoEarly[] = {{G, 47, -10}};
constexpr CellChange kLeftGoldUp[] = {{G, 79, 4}, {G, 78, 9}};
constexpr CellChange kNoCastleSilver[] = {{K, 48, -5}, {K, 39, -5}, {K, 28, -5}};
constexpr CellChange kKnightJump[] = {{N, 37, 6}};
constexpr CellChange kKnightOn[] = {{N, 45, 6}, {N, 25, 6}};
constexpr CellChange kEdgeKingPawns[] = {{P, 26, 4}, {P, 24, 4}, {P, 25, 4}};
constexpr CellChange kKingHeadPawns[] = {{P, 26, -6}, {P, 27, -6}};
constexpr CellChange kSilver27Pawn[] = {{P, 26, -5}};
constexpr CellChange kBishopPawn[] = {{P, 67, -10}};
constexpr CellChange kMinoSilver[] = {{S, 38, 5}};
constexpr CellChange kLeftSilverUp[] = {{S, 68, 3}};
constexpr CellChange kSilverCrown[] = {{S, 47, 4}};

const SenkeiRule kShikenMinoFurther[] = {
    {[](const KPosition& p, int s) { return !king_at(p, s, 28); }, kHighMinoEarly},
    {[](const KPosition& p, int s) { return own_at(p, s, kRook, 68) && own_at(p, s, kGold, 69); }, kLeftGoldUp},
    {[](const KPosition& p, int s) { return !own_at(p, s, kSilver, 38) && !own_at(p, s, kSilver, 39); },
     kNoCastleSilver},
    {[](const KPosition& p, int s) { return own_at(p, s, kKnight, 29) && own_at(p, s, kPawn, 36); }, kKnightJump},
    {[](const KPosition& p, int s) { return own_at(p, s, kKnight, 37); }, kKnightOn},
    {[](const KPosition& p, int s) {
       const int f = enemy_king_file(p, s);
       return f == 1 || f == 2;
     },
     kEdgeKingPawns},
    {[](const KPosition& p, int s) { return king_at(p, s, 28) && enemy_at(p, s, kRook, 22); }, kKingHeadPawns},
    {[](const KPosition& p, int s) { return own_at(p, s, kSilver, 27); }, kSilver27Pawn},
    {[](const KPosition& p, int s) { return own_at(p, s, kRook, 68) && own_at(p, s, kBishop, 77); }, kBishopPawn},
    {[](const KPosition& p, int s) { return king_at(p, s, 28) && own_at(p, s, kSilver, 39); }, kMinoSilver},
    {[](const KPosition& p, int s) { return own_at(p, s, kSilver, 79); }, kLeftSilverUp},
    {[](const KPosition& p, int s) { return own_at(p, s, kSilver, 38) && own_at(p, s, kGold, 49); }, kSilverCrown},
};

// The left silver runs up through 56 while the king waits in the centre.
constexpr CellChange kSilverStarts[] = {{S, 56, 8}, {S, 67, -7}, {S, 78, -2}};
constexpr CellChange kSilverPath[] = {{S, 56, 10}};
constexpr CellChange kSilverAdvance[] = {{S, 45, 22}, {S, 55, 24}, {S, 54, 37}};
constexpr CellChange kPawnsStay[] = {{P, 47, -10}, {P, 46, -10}, {P, 45, -5}};
constexpr CellChange kKingWaits[] = {{K, 59, 2}, {K, 48, -6}, {K, 39, -13}, {K, 38, -13}, {K, 28, -13}};
constexpr CellChange kGoldHome[] = {{G, 37, -4}};
constexpr CellChange kKnightUp[] = {{N, 29, -2}, {N, 37, 4}};

const SenkeiRule kNefura[] = {
    {[](const KPosition& p, int s) {
       return own_at_any(p, s, kSilver, {67, 78});
     },
     kSilverStarts},
    {[](const KPosition& p, int s) { return own_at(p, s, kRook, 68) && own_at(p, s, kPawn, 66); }, kSilverPath},
    {[](const KPosition& p, int s) { return own_at(p, s, kSilver, 56); }, kSilverAdvance},
    {[](const KPosition& p, int s) {
       return own_at_any(p, s, kSilver, {56, 55, 45});
     },
     kPawnsStay},
    {[](const KPosition& p, int s) { return king_at(p, s, 59); }, kKingWaits},
    {[](const KPosition& p, int s) { return own_at(p, s, kGold, 49); }, kGoldHome},
    {[](const KPosition& p, int s) { return own_at(p, s, kKnight, 29); }, kKnightUp},
};

// ---- The mutual ranging rook ---------------------------------------------------------

bool aifuri_king_castled(const KPosition& p, int s) { return king_at_any(p, s, {28, 39, 18}); }

constexpr CellChange kSilver37Built[] = {{P, 46, 10}, {G, 47, 4},  {G, 58, -3}, {G, 68, -3},
                                         {G, 59, -6}, {G, 69, -6}, {P, 27, 6}};
constexpr CellChange kSilver37Wanted[] = {{S, 37, -10}};
constexpr CellChange kCastled[] = {{G, 38, 19}, {G, 59, -6}, {G, 69, -8}, {P, 47, -5}};
constexpr CellChange kCentreKing[] = {{P, 57, 9}, {P, 56, -3}};
constexpr CellChange kSilver48[] = {{S, 48, -6}};
constexpr CellChange kSilver28[] = {{S, 28, -6}};
constexpr CellChange kKing28[] = {{K, 28, -15}};

const SenkeiRule kAifuriFurther[] = {
    {[](const KPosition& p, int s) { return !aifuri_king_castled(p, s) && own_at(p, s, kSilver, 37); }, kSilver37Built},
    {[](const KPosition& p, int s) {
       return !aifuri_king_castled(p, s) && !own_at(p, s, kSilver, 37) && !own_at_any(p, s, kGold, {58, 47});
     },
     kSilver37Wanted},
    {aifuri_king_castled, kCastled},
    {[](const KPosition& p, int s) { return king_at(p, s, 59) && own_at(p, s, kGold, 48) && own_at(p, s, kGold, 69); },
     kCentreKing},
    {[](const KPosition& p, int s) { return king_at(p, s, 59) && own_at(p, s, kGold, 49); }, kSilver48},
    {[](const KPosition& p, int s) {
       return enemy_at_any(p, s, kPawn, {14, 24, 34});
     },
     kSilver28},
    {[](const KPosition& p, int s) { return own_at(p, s, kSilver, 39); }, kKing28},
};

// ---- The yagura -----------------------------------------------------------------------

// The climbing silver on 26 and the pawn on 25 against an edge pawn on 13: the
// opponent's pawn cannot come to 14 while the attackers there outnumber its
// defenders.
constexpr CellChange kEdgePawnHeld[] = {{P, 14, -11}};
constexpr CellChange kCentralGold[] = {{G, 78, -25}};
constexpr CellChange kCentralKing[] = {{K, 69, -10}};
constexpr CellChange kEdgeRook[] = {{R, 18, 3}, {R, 19, 2}};

bool edge_pawn_held(const KPosition& p, int s) {
  if (!(own_at(p, s, kSilver, 26) && own_at(p, s, kPawn, 25) && own_at(p, s, kRook, 28) && enemy_at(p, s, kPawn, 13) &&
        king_at(p, s, 88))) {
    return false;
  }
  const board::KKiki& k = board::kiki_at(p, rule_square(s, 14));
  return k.direct_count[s] > k.direct_count[1 - s];
}

const SenkeiRule kIyaguraFurther[] = {
    {edge_pawn_held, kEdgePawnHeld, true},
    {[](const KPosition& p, int s) { return iyagura_central_attack(p, s) && !own_at(p, s, kGold, 78); }, kCentralGold},
    {[](const KPosition& p, int s) { return iyagura_central_attack(p, s) && !king_at(p, s, 69); }, kCentralKing},
    {[](const KPosition& p, int s) {
       return own_at_any(p, s, kLance, {17, 16});
     },
     kEdgeRook},
};

constexpr CellCopy kSilverCopies[] = {{S, 68, 67}, {S, 78, 77}};

}  // namespace

std::span<const SenkeiRule> senkei_rules(RuleGroup group) {
  switch (group) {
    case RuleGroup::kFuribishaRank6: return kFuribishaRank6;
    case RuleGroup::kFuribishaKingRight: return kFuribishaKingRight;
    case RuleGroup::kTaifuriSameWing: return kTaifuriSameWing;
    case RuleGroup::kMikketteiAifuri: return kMikketteiAifuri;
    case RuleGroup::kMikketteiFurther: return kMikketteiFurther;
    case RuleGroup::kShikenMinoGold38: return kShikenMinoGold38;
    case RuleGroup::kShikenMinoFurther: return kShikenMinoFurther;
    case RuleGroup::kNefura: return kNefura;
    case RuleGroup::kAifuriFurther: return kAifuriFurther;
    case RuleGroup::kIyaguraFurther: return kIyaguraFurther;
    case RuleGroup::kCount: break;
  }
  return {};
}

std::span<const CellTarget> mikettei_king_file_targets() { return kKingFileTargets; }

std::span<const CellCopy> iyagura_silver_copies() { return kSilverCopies; }

bool iyagura_central_attack(const KPosition& p, int s) {
  if (!enemy_king_at(p, s, 51)) return false;
  if (enemy_at(p, s, kRook, 52)) return true;
  return enemy_at(p, s, kRook, 82) && enemy_at(p, s, kPawn, 83) && empty_at(p, s, 72) && empty_at(p, s, 62) &&
         empty_at(p, s, 52);
}

}  // namespace eval
