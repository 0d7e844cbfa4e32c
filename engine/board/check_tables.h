// The squares near an enemy king from which a short-range piece can step to
// give check, and where it steps (sente to move; gote negates every offset).
// Internal to the check generator.
#pragma once

#include <cstdint>

namespace board::detail {

// Short-range classes: gold and every promoted short-range piece, silver,
// knight, pawn.
enum NearClass : int { kNearGold = 0, kNearSilver = 1, kNearKnight = 2, kNearPawn = 3, kNearClasses = 4 };

// One from-square (king + from) with, per class and promote flag (0, 1), the
// destinations (king + offset) in the order tried; a list ends at its first 0.
struct NearRow {
  int8_t from;
  int8_t dest[kNearClasses][2][4];
};

// Every entry is one step of its class from the from-square to a square other
// than the king's, after which the piece (promoted for promote 1) attacks the
// king by a step. Gold-like pieces never promote; knights check this way only
// by promoting.
//                      gold p0        p1    silver p0     silver p1      knight p0  p1      pawn p0  p1
inline constexpr NearRow oute_near_table[23] = {
    {15,  {{{},            {}}, {{},           {}},            {{}, {-16}},    {{},   {-1}}}},
    {17,  {{{},            {}}, {{},           {}},            {{}, {-16}},    {{},   {1}}}},
    {14,  {{{15, -1},      {}}, {{},           {-1}},          {{}, {}},       {{},   {}}}},
    {18,  {{{17, 1},       {}}, {{},           {1}},           {{}, {}},       {{},   {}}}},
    {32,  {{{16, 15, 17},  {}}, {{16, 15, 17}, {16, 15, 17}},  {{}, {-1, 1}},  {{16}, {16}}}},
    {31,  {{{16, 15},      {}}, {{16, 15},     {16, 15}},      {{}, {}},       {{},   {15}}}},
    {33,  {{{16, 17},      {}}, {{16, 17},     {16, 17}},      {{}, {}},       {{},   {17}}}},
    {30,  {{{15},          {}}, {{15},         {15}},          {{}, {-1}},     {{},   {}}}},
    {34,  {{{17},          {}}, {{17},         {17}},          {{}, {1}},      {{},   {}}}},
    {-1,  {{{},            {}}, {{16, -17},    {16, -16}},     {{}, {}},       {{},   {}}}},
    {1,   {{{},            {}}, {{16, -15},    {16, -16}},     {{}, {}},       {{},   {}}}},
    {-2,  {{{-1},          {}}, {{15, -17},    {15}},          {{}, {}},       {{},   {}}}},
    {2,   {{{1},           {}}, {{17, -15},    {17}},          {{}, {}},       {{},   {}}}},
    {-16, {{{},            {}}, {{},           {-1, 1}},       {{}, {}},       {{},   {}}}},
    {-17, {{{-16, -1},     {}}, {{},           {}},            {{}, {}},       {{},   {}}}},
    {-15, {{{-16, 1},      {}}, {{},           {}},            {{}, {}},       {{},   {}}}},
    {-18, {{{},            {}}, {{},           {-1}},          {{}, {}},       {{},   {}}}},
    {-14, {{{},            {}}, {{},           {1}},           {{}, {}},       {{},   {}}}},
    {-32, {{{-16},         {}}, {{-17, -15},   {}},            {{}, {}},       {{},   {}}}},
    {-33, {{{},            {}}, {{},           {-16}},         {{}, {}},       {{},   {}}}},
    {-31, {{{},            {}}, {{},           {-16}},         {{}, {}},       {{},   {}}}},
    {-34, {{{},            {}}, {{-17},        {}},            {{}, {}},       {{},   {}}}},
    {-30, {{{},            {}}, {{-15},        {}},            {{}, {}},       {{},   {}}}},
};

}  // namespace board::detail
