// Reading QVF: the tokenizer and the three position blocks. Everything else in
// the text (comments, names, the move block, unknown words) is skipped.
#include <cstring>
#include <string>

#include "model/formats/qvf_format.h"

namespace model {

namespace {

// A token holds at most this many bytes; a longer run goes on as the next one.
constexpr int kMaxTokenBytes = 255;
// Numbers stop growing here, far above any count a position can hold.
constexpr int kMaxNumber = 1000000;
// The largest hand count a position stores (one signed byte).
constexpr int kMaxHandCount = 127;

constexpr int kNoByte = -1;

// The next byte 0..255, or kNoByte at the end of the input.
int next_byte(TextReader& in) {
  char c;
  return in.Read(&c, 1) == 1 ? static_cast<unsigned char>(c) : kNoByte;
}

bool is_token_byte(int c) { return c >= 33 && c <= 126; }

// Skips up to and including the first `stop` or `other_stop`; false at the
// end of the input. With `by_character` a byte of 0x80 or more takes the byte
// after it along, so that the second byte of a two-byte character never ends
// the skip.
bool skip_past(TextReader& in, int stop, int other_stop, bool by_character) {
  for (;;) {
    const int c = next_byte(in);
    if (c == kNoByte) return false;
    if (c == stop || c == other_stop) return true;
    if (by_character && is_lead_byte(static_cast<unsigned char>(c)) && next_byte(in) == kNoByte) {
      return false;
    }
  }
}

struct Word {
  const char* text;
  int code;
};

constexpr Word kTags[] = {
    {"<teban>", kQvfTeban},           {"</teban>", kQvfTebanEnd},
    {"<mochi-sente>", kQvfMochiSente}, {"</mochi-sente>", kQvfMochiSenteEnd},
    {"<mochi-gote>", kQvfMochiGote},   {"</mochi-gote>", kQvfMochiGoteEnd},
    {"<ban>", kQvfBan},               {"</ban>", kQvfBanEnd},
    {"sente", kQvfSente},             {"gote", kQvfGote},
};

// The code of a token's text, or -1 for a word the reader does not know.
int classify(const char* t, int n) {
  for (const Word& w : kTags) {
    if (std::strcmp(t, w.text) == 0) return w.code;
  }
  // Piece words: the board words, and for the promotable pieces the base word
  // with "*" (FU* is a promoted pawn).
  for (int code = 0; code < 32; ++code) {
    const char* word = qvf_piece_word(code);
    if (koma_side(code) < 0 && code != 0) continue;
    if (std::strcmp(t, word) == 0) return code;
    const int type = koma_type(code);
    if (n == 3 && t[2] == '*' && type >= kFu && type <= kHi && type != kKin &&
        std::strncmp(t, word, 2) == 0) {
      return code + kPromoteBit;
    }
  }
  int value = 0;
  for (int i = 0; i < n; ++i) {
    if (t[i] < '0' || t[i] > '9') return -1;
    value = value * 10 + (t[i] - '0');
    if (value > kMaxNumber) value = kMaxNumber;
  }
  return kQvfNumber + value;
}

bool is_piece(int token) { return token >= 0 && token < 32; }
bool is_number(int token) { return token >= kQvfNumber; }

// What next_token gives for a "$" section instead of a token's length.
constexpr int kSection = -1;

// Reads the next token of the text into `token` (NUL-ended) and gives its
// length, 0 at the end of the input. A "#" comment to the line's end and a
// "[...]" note are passed over; so is a "$...$" section, which gives kSection
// with its bytes in `section` when one is given. A "#", "[" or "$" inside a
// word is part of the word. A tag ends at its ">", and a "<" starts a new
// token.
int next_token(TextReader& in, char* token, std::string* section) {
  for (;;) {
    int c = next_byte(in);
    if (c == kNoByte) return 0;
    if (c == '#') {
      // A comment runs to the end of its line, which a LF or a lone CR ends.
      if (!skip_past(in, '\n', '\r', false)) return 0;
      continue;
    }
    if (c == '[') {
      if (!skip_past(in, ']', ']', true)) return 0;
      continue;
    }
    if (c == '$') {
      while ((c = next_byte(in)) != kNoByte && c != '$') {
        if (section) *section += static_cast<char>(c);
      }
      return kSection;
    }
    if (!is_token_byte(c)) continue;

    int n = 0;
    token[n++] = static_cast<char>(c);
    const bool tag = c == '<';
    while (n < kMaxTokenBytes && !(tag && token[n - 1] == '>')) {
      c = next_byte(in);
      if (c == kNoByte || !is_token_byte(c)) break;
      if (c == '<') {
        in.Unget(c);
        break;
      }
      token[n++] = static_cast<char>(c);
    }
    token[n] = '\0';
    return n;
  }
}

// True when a "$" section's text holds a "<kifu" block with a move line (one
// that begins with "+" or "-" and a digit, as the writer writes a move); a
// line begins behind a LF or a CR.
bool section_holds_moves(const std::string& section) {
  const size_t tag = section.find("<kifu");
  if (tag == std::string::npos) return false;
  const size_t body = section.find('>', tag);
  if (body == std::string::npos) return false;
  size_t end = section.find("</kifu>", body);
  if (end == std::string::npos) end = section.size();
  for (size_t line = body; line < end; ++line) {
    if (section[line] != '\n' && section[line] != '\r') continue;
    size_t i = line + 1;
    while (i < end && (section[i] == ' ' || section[i] == '\t' || section[i] == '\r')) ++i;
    if (i + 1 < end && (section[i] == '+' || section[i] == '-') && section[i + 1] >= '0' && section[i + 1] <= '9') {
      return true;
    }
  }
  return false;
}

}  // namespace

bool qvf_text_holds_moves(const char* bytes, int n) {
  MemTextReader in(bytes, n);
  char token[kMaxTokenBytes + 1];
  for (;;) {
    std::string section;
    const int length = next_token(in, token, &section);
    if (length == 0) return false;
    if (length == kSection && section_holds_moves(section)) return true;
  }
}

int qvf_read_tag(TextReader& in) {
  char token[kMaxTokenBytes + 1];
  for (;;) {
    const int length = next_token(in, token, nullptr);
    if (length == 0) return kQvfEnd;
    if (length == kSection) continue;
    const int code = classify(token, length);
    if (code >= 0) return code;
  }
}

int qvf_read_teban(TextReader& in, Kyokumen& kyokumen) {
  const int side = qvf_read_tag(in);
  if (side != kQvfSente && side != kQvfGote) return -1;
  if (qvf_read_tag(in) != kQvfTebanEnd) return -1;
  kyokumen.teban = side == kQvfSente ? 0 : 1;
  return 0;
}

int qvf_read_mochi(TextReader& in, Kyokumen& kyokumen, int side) {
  const int close = side == 0 ? kQvfMochiSenteEnd : kQvfMochiGoteEnd;
  for (;;) {
    const int piece = qvf_read_tag(in);
    if (piece == close) return 0;
    if (!is_piece(piece)) return -1;
    const int type = koma_type(piece);
    if (type < kFu || type > kHi) return -1;
    const int count = qvf_read_tag(in);
    if (!is_number(count) || count - kQvfNumber > kMaxHandCount) return -1;
    kyokumen.mochigoma[side][type] = static_cast<int8_t>(count - kQvfNumber);
  }
}

int qvf_read_ban(TextReader& in, Kyokumen& kyokumen) {
  for (int y = 1; y <= 9; ++y) {
    for (int x = 9; x >= 1; --x) {
      const int piece = qvf_read_tag(in);
      if (!is_piece(piece)) return -1;
      kyokumen.At(x, y).Set(piece);
    }
  }
  return qvf_read_tag(in) == kQvfBanEnd ? 0 : -1;
}

int kifu_read_qvf(Kifu& kifu, TextReader& in, bool merge) {
  KifuBody body;
  body.names[0].Assign("sente");
  body.names[1].Assign("gote");
  KifuKyokumen* start = body.Start();
  Kyokumen& pos = start->kyokumen;

  int token = qvf_read_tag(in);
  if (token == kQvfEnd) return -1;
  for (; token != kQvfEnd; token = qvf_read_tag(in)) {
    int result;
    switch (token) {
      case kQvfTeban: result = qvf_read_teban(in, pos); break;
      case kQvfMochiSente: result = qvf_read_mochi(in, pos, 0); break;
      case kQvfMochiGote: result = qvf_read_mochi(in, pos, 1); break;
      case kQvfBan: result = qvf_read_ban(in, pos); break;
      default: result = -1; break;
    }
    if (result < 0) return -1;  // the body frees what was built
  }
  pos.CalcTeaiwari();
  // A position from outside must obey the rules of the set-up (piece counts,
  // kings, pawns) before any record code or the engine works on it.
  if (!pos.Check()) return -1;
  body.table->Rehash(start);
  return kifu.TakeOver(std::move(body), merge);
}

}  // namespace model
