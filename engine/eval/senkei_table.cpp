#include "engine/eval/senkei_table.h"

#include "engine/eval/eval_setup.h"
#include "engine/eval/own_view.h"
#include "engine/eval/senkei_base_table.h"
#include "engine/eval/senkei_builders.h"
#include "engine/eval/senkei_set.h"

namespace eval {

namespace {

using board::kBishop, board::kGold, board::kSilver;

constexpr int kSilverLayer = 3;
constexpr int kPawnLayer = 6;

// Base row by code; -1 where a code has none.
constexpr int8_t kRowIndex[kSenkeiCodes] = {0,  1,  2,  3,  -1, 5,  6,  7,  8,  9,  10, -1, 12, -1, 14, -1,
                                            16, -1, 18, -1, -1, 21, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

constexpr uint32_t kFuribishaCodes = (1u << 3) | (1u << 4) | (1u << 9) | (1u << 11) | (1u << 17);
constexpr uint32_t kTaifuriCodes = (1u << 5) | (1u << 7) | (1u << 8) | (1u << 20);

// The row a fill reads: a code without a row fills from row 0.
int fill_row(int code) {
  const int row = senkei_row_index(code);
  return row < 0 ? 0 : row;
}

using Builder = void (*)(const board::KPosition&, int);

// The own builder of each code; codes 21 and those without a builder have none here.
constexpr Builder kBuilders[kSenkeiCodes] = {
    senkei_build_mikettei,     // 0
    senkei_build_iyagura,      // 1
    senkei_build_kakugawari,   // 2
    senkei_build_shiken_mino,  // 3
    nullptr,                   // 4
    senkei_build_funagakoi,    // 5
    senkei_build_aifuri,       // 6
    senkei_build_hidari_mino,  // 7
    senkei_build_ibiana,       // 8
    senkei_build_furiana,      // 9
    senkei_build_nakazumai,    // 10
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,  // 11..18
    senkei_build_furiana,      // 19
};

// Code 21 (the Kadal king), with s's king on 69: keep the pawns in front of the
// king and the silver home, and hold back the opponent's pawns on file 8 and its
// silver on 22.
void senkei_build_kadal(const board::KPosition& p, int s) {
  if (!own_king_on(p, s, 6, 9)) return;
  const int o = 1 - s;
  if (enemy_king_on(p, s, 5, 2)) {
    constexpr int kLoss[5] = {2, 8, 10, 10, 10};  // ranks 5..9
    for (int r = 5; r <= 9; ++r) senkei_cell_ref(s, kPawnLayer, s, 5, r) -= kLoss[r - 5];
  } else if (enemy_king_on(p, s, 4, 2)) {
    senkei_cell_ref(s, kPawnLayer, s, 5, 5) -= 2;
    for (int r = 6; r <= 9; ++r) senkei_cell_ref(s, kPawnLayer, s, 5, r) -= 7;
  }
  if (!own_on(p, s, kGold, 4, 9) && !own_on(p, s, kGold, 5, 9)) senkei_cell_ref(s, kSilverLayer, s, 4, 8) -= 10;
  for (int r = 1; r <= 8; ++r) senkei_cell_ref(o, kPawnLayer, s, 8, r) -= 15;
  if (enemy_on(p, s, kBishop, 2, 2)) senkei_cell_ref(o, kSilverLayer, s, 2, 2) += 20;
}

}  // namespace

void senkei_table_current() { board::eval_links.senkei_current = &eval_setup.senkei_table; }

int senkei_row_index(int code) { return code >= 0 && code < kSenkeiCodes ? kRowIndex[code] : -1; }

bool senkei_furibisha_flag(int code) { return code >= 0 && code < kSenkeiCodes && ((kFuribishaCodes >> code) & 1); }
bool senkei_taifuri_flag(int code) { return code >= 0 && code < kSenkeiCodes && ((kTaifuriCodes >> code) & 1); }

void senkei_tables_fill(board::KSenkeiTable& table, int variant, const int32_t codes[2]) {
  if (variant < 0 || variant >= kSenkeiVariants) variant = 0;
  const int sente_row = fill_row(codes[0]);
  const int gote_row = fill_row(codes[1]);
  for (int layer = 0; layer < board::kSenkeiLayers; ++layer) {
    for (int r = 1; r <= 9; ++r) {
      for (int f = 1; f <= 9; ++f) {
        const int i = board::square_of(f, r) - board::kFirstSquare;
        table.cell[0][layer][i] = senkei_base_cell(sente_row, variant, layer, f, r);
        table.cell[1][layer][i] = senkei_base_cell(gote_row, variant, layer, 10 - f, 10 - r);
      }
    }
  }
  ++table.fill_count;
}

void senkei_tables_init(int variant, const int32_t codes[2]) {
  senkei_tables_fill(eval_setup.senkei_table, variant, codes);
  senkei_table_current();
}

int32_t& senkei_cell_ref(int owner, int layer, int view, int file, int rank) {
  return board::eval_links.senkei_current->cell[owner][layer][own_square(view, file, rank) - board::kFirstSquare];
}

void senkei_dispatch(const board::KPosition& p, const int32_t codes[2]) {
  if (board::eval_links.senkei_current == nullptr) return;
  for (int s = 0; s < 2; ++s) {
    const int c = codes[s];
    // A bishop still at home wants the pawn in front of it to stay.
    if (own_on(p, s, kBishop, 8, 8)) senkei_cell_ref(s, kPawnLayer, s, 7, 7) -= 8;
    if (senkei_furibisha_flag(c)) {
      senkei_build_furibisha(p, s);
    } else if (senkei_taifuri_flag(c)) {
      senkei_build_taifuri(p, s);
    } else if ((c == 1 || c == 2) && own_on(p, s, kSilver, 7, 7) && own_on(p, s, kSilver, 6, 8)) {
      senkei_cell_ref(s, kSilverLayer, s, 6, 7) += 10;
    }
    if (c == 21) {
      senkei_build_kadal(p, s);
    } else if (const Builder b = kBuilders[senkei_table_index(c)]) {
      b(p, s);
    }
  }
}

int32_t king_table_value(int code, int variant, int piece_code, int sq) {
  const int layer = board::senkei_layer_of(piece_code);
  if (layer < 0 || variant < 0 || variant >= kSenkeiVariants || !board::is_playing_square(sq)) return 0;
  return senkei_base_cell(fill_row(code), variant, layer, board::square_file(sq), board::square_rank(sq));
}

}  // namespace eval
