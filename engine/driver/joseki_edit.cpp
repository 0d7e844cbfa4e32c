#include "engine/driver/joseki_edit.h"

namespace driver {

namespace {

// Book hand kinds run 1 rook .. 7 pawn, game-model types 1 pawn .. 7 rook.
constexpr int kHandKindFlip = 8;

// The game-record move of a book move on `k`: false for a word that does not
// decode or a move that does not fit the position.
bool sashite_from_book_move(const model::Kyokumen& k, const BookMove& bm, model::Sashite* out) {
  int fx, fy, tx, ty, promote;
  if (book_code_decode(bm.code, &fx, &fy, &tx, &ty, &promote) != 0) return false;
  const bool gote = k.teban != 0;
  if (fx == kBookDropFile) {
    fy = kHandKindFlip - fy;
    if (gote) fx = model::kGoteHand;
  } else if (gote) {
    fx = 10 - fx;
    fy = 10 - fy;
  }
  if (gote) {
    tx = 10 - tx;
    ty = 10 - ty;
  }
  model::Sashite s;
  s.Set(fx, fy, tx, ty, 0, 0, promote, model::kOrdinaryMove);
  if (!k.CompleteSashite(s) || k.IsLegal(s, true) == model::kIllegal) return false;
  *out = s;
  return true;
}

}  // namespace

bool book_move_from_sashite(const model::Kyokumen& k, const model::Sashite& m, int value, uint32_t senkei,
                            BookMove* out) {
  if (m.special != model::kOrdinaryMove) return false;
  const bool drop = m.IsDrop();
  const int from_y = drop ? kHandKindFlip - m.from_y : m.from_y;
  uint32_t code = static_cast<uint32_t>(value) << 16;
  if (book_code_encode(&code, k.teban != 0, drop ? 0 : m.from_x, from_y, m.to_x, m.to_y, m.nari) != 0) return false;
  *out = BookMove{code, senkei};
  return true;
}

int joseki_set_move(JosekiBooks& books, const model::Kyokumen& k, const model::Sashite& m, int value,
                    uint32_t senkei, int mode) {
  OBEditableHash* book = books.user_books.Current();
  if (!book) return 0;
  model::BookPosition pos;
  BookMove bm;
  if (value < 0 || value > kMaxBookValue || !k.ToBookKey(pos) || !book_move_from_sashite(k, m, value, senkei, &bm)) {
    return -1;
  }
  return book->Insert(pos, bm, mode == -1 ? kInsertReplace : mode) < 0 ? -1 : 0;
}

int joseki_delete_move(JosekiBooks& books, const model::Kyokumen& k, const model::Sashite& m) {
  OBEditableHash* book = books.user_books.Current();
  model::BookPosition pos;
  BookMove bm;
  if (book && k.ToBookKey(pos) && book_move_from_sashite(k, m, 0, 0, &bm)) book->Remove(pos, &bm);
  return 0;
}

int joseki_delete_all(JosekiBooks& books, const model::Kyokumen& k) {
  OBEditableHash* book = books.user_books.Current();
  model::BookPosition pos;
  if (book && k.ToBookKey(pos)) book->Remove(pos, nullptr);
  return 0;
}

int joseki_get_moves(JosekiBooks& books, const model::Kyokumen& k, uint32_t source_word, model::Sashite* moves,
                     int* values, uint32_t* senkei, uint8_t* tags, bool sorted) {
  model::BookPosition pos;
  if (!k.ToBookKey(pos)) return 0;
  BookMove list[kMaxBookCandidates];
  const uint32_t saved = books.sources;
  books.sources = source_word;
  const int n = sorted ? books.LookupSorted(pos, list, tags) : books.Lookup(pos, list, tags);
  books.sources = saved;
  for (int i = 0; i < n; ++i) {
    if (moves && !sashite_from_book_move(k, list[i], &moves[i])) return i;
    if (values) values[i] = book_move_value(list[i].code);
    if (senkei) senkei[i] = list[i].senkei;
  }
  return n;
}

}  // namespace driver
