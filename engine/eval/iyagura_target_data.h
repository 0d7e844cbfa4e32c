// The yagura's target pawn and lance cells for a king castled on the left, as
// board diagrams seen by sente: rank 1 in the first row, file 9 in the first
// column. The yagura builder blends the side's cells towards them.
#pragma once

#include <cstdint>

namespace eval {

inline constexpr int16_t kIyaguraPawnTarget[9][9] = {
    {0, 0, 0, 0, 0, -2, -4, 0, 0},
    {-1, 0, 0, 0, 0, -2, -4, -15, -7},
    {0, 0, 0, 0, 0, -2, -4, -15, -4},
    {8, 0, 0, 0, 0, -2, -4, -15, 11},
    {-2, 1, -15, -2, -8, -12, -15, -47, -57},
    {-2, 4, 10, 8, -8, -12, -15, -48, -61},
    {-2, 43, 3, 3, -12, -15, -23, -51, -65},
    {-42, 0, 0, 0, -12, -15, -23, -51, -70},
    {-62, 0, 0, 0, -12, -15, -23, -51, -75},
};

inline constexpr int16_t kIyaguraLanceTarget[9][9] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0},
    {-249, -256, -263, -270, -277, -284, -291, -298, -305},
    {-241, -247, -253, -259, -266, -272, -278, -284, -290},
    {-231, -235, -238, -242, -246, -249, -253, -256, -260},
    {-197, -198, -198, -199, -206, -213, -221, -228, -235},
    {-160, -161, -161, -162, -172, -182, -192, -202, -212},
    {-92, -92, -92, -92, -112, -133, -153, -174, -194},
    {-39, -39, -39, -39, -70, -100, -131, -161, -192},
    {-30, -30, -30, -30, -62, -94, -126, -158, -190},
};

// The value at (file, rank) of a diagram table.
constexpr int diagram_at(const int16_t (&table)[9][9], int file, int rank) { return table[rank - 1][9 - file]; }

}  // namespace eval
