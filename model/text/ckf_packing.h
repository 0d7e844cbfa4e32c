// The six-bit text packing of ".ckf" files: every three bytes become four
// printable characters, with no header, line breaks or filler. A six-bit value
// x is stored as the character x + 64 when x < 48 (codes 64..111) and as x
// itself otherwise (codes 48..63, the digits and the six signs after them).
#pragma once

namespace model {

// Characters in one block of the packed reader, and the bytes they carry.
// A block holds whole groups of four characters, so it never splits a group.
constexpr int kCkfBlockChars = 1024;
constexpr int kCkfBlockBytes = kCkfBlockChars * 3 / 4;

// The character that stores the six-bit value x (0..63).
char ckf_char(int x);

// Packs n = 1..3 bytes into out: a full group of three gives four characters,
// a tail of one byte two and a tail of two bytes three. Returns the number of
// characters written (n + 1), or 0 when n is outside 1..3.
int ckf_pack_group(const unsigned char* bytes, int n, char* out);

// Decodes n packed characters (0 <= n) into out, which receives exactly
// n * 3 / 4 bytes; that count is returned. Only the low six bits of every
// character count, so any input gives well-defined bytes; bits left over at
// the end are dropped.
int ckf_unpack(const char* chars, int n, unsigned char* out);

// Decodes a whole packed text of n characters block by block, as the packed
// reader does (each block of kCkfBlockChars on its own), into out, which must
// hold n * 3 / 4 bytes. Returns the number of bytes written.
int ckf_unpack_blocks(const char* chars, int n, unsigned char* out);

}  // namespace model
