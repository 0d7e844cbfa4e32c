// The king-relative square tables of the weight object: classes 0-5 give a
// piece's worth by its square relative to its own king (gold, silver, knight,
// lance, pawn, horse), classes 6-12 its worth relative to the enemy king (gold,
// promoted pawn, silver, knight, pawn, horse, and the mean of the first two for
// the promoted knight and lance). King square and square are in sente's board
// coordinates; gote's readers mirror both in rank.
#pragma once

#include <cstdint>

#include "engine/eval/eval_weights.h"

namespace eval {

// Fills classes 0-5 of king_rel from table A.
void king_table_build_a(KEvalWeights& w);
// Fills classes 6-12 of king_rel from table G and the formulas below.
void king_table_build_b(KEvalWeights& w);

// Second-group value of class 6 + n (n: 0 gold, 1 promoted pawn, 2 silver,
// 3 knight, 4 pawn, 5 horse) for the king on (kf, kr) and the square (f, r):
// king_table_adjust_b of the shaped base.
int king_table_value_b(int n, int kf, int kr, int f, int r);
// The unshaped value: G scaled to 80 %, or for the knight king_table_kind_b.
int king_table_base_b(int n, int kf, int kr, int f, int r);
// The knight's base, built from the pawn's full values on the squares from which
// a knight could reach (f, r) in one or two jumps; 0 on ranks 1 and 2.
int king_table_kind_b(int kf, int kr, int f, int r);
// The base shaped by class: gold, promoted pawn and silver by distance (with an
// edge-king boost), the pawn lowered deep and on the edge files, the knight by
// king_table_edge_b, the horse unchanged.
int king_table_shape_b(int n, int kf, int kr, int f, int r, int base);
// The knight's base with the king on an edge file or rank: the base with the
// king one file (then one rank) nearer to the square, averaged in when larger.
int king_table_edge_b(int kf, int kr, int f, int r, int base);
// The last adjustment: a pawn on rank 5 or lower to 80 %.
int king_table_adjust_b(int n, int r, int value);

// Distances in thousandths of a square (squared: millionths).
// (|kf - f| + 0.2)^2 + (|kr - r| + 0.2)^2.
int64_t plain_distance_sq(int kf, int kr, int f, int r);
// file_edge_distance(kf, f)^2 + rank_edge_distance(kr, r)^2.
int64_t edge_distance_sq(int kf, int kr, int f, int r);
// |a - b| plus an edge term from the 9-entry table e (thousandths): e[9 - a]
// when a > b, e[a - 1] when a < b, the larger of the two when a = b.
int axis_distance(int a, int b, const int (&e)[9]);
int file_edge_distance(int a, int b);
int rank_edge_distance(int a, int b);

}  // namespace eval
