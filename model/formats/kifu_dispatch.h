// Loading and saving game records by format: the format is chosen from the file
// name's extension or given as a code, the right stream is made, one format
// reader or writer runs, and the record holder is updated only after success.
// Clipboard text is written in one chosen format and read by trying every text
// format in a fixed order.
#pragma once

#include <string>

#include "model/formats/kif_format.h"
#include "model/record/kifu_holder.h"
#include "model/text/kstring.h"
#include "model/text/text_stream.h"

namespace model {

// Format codes.
enum KifuFormat : int {
  kFormatUnknown = 0,
  kFormatKif = 1,     // "kif", "bkf"
  kFormatKi2 = 2,     // "ki2"
  kFormatCsa = 3,     // "csa"
  kFormatQvf = 4,     // "qvf"
  kFormatVkr = 5,     // "vkr": the program's own game file, read only
  kFormatCkf = 6,     // "ckf": KIF in the six-bit packing
  kFormatKifHenka = 7 // "qvx": KIF with change sections, read only
};

// The format code of a path's extension: the text after the last "." must be
// exactly three letters (case-folded); anything else gives kFormatUnknown.
int kifu_format_from_path(const char* path);
// The format of a path whose extension names KIF or KI2 written in UTF-8:
// "kifu" and "ki2u" (case-folded) give kFormatKif and kFormatKi2, anything
// else kFormatUnknown.
int kifu_utf8_format_from_path(const char* path);

// Runs the reader of `format` on an open stream (CSA in file mode; a KIF text
// that the KIF reader refuses is read again, rewound, as the change-branch
// layout): 0, or -1 with the record unchanged. Unknown codes give -1. `stop`,
// when given, tells where a KIF-family, KI2 or CSA reader stopped short of the
// end, or that the start position broke the rules or the handicap is unknown
// (see KifuReadStop); it stays cleared for the other formats.
int kifu_read_stream(Kifu& kifu, TextReader& reader, int format, bool merge,
                     KifuReadStop* stop = nullptr);

// Why a load failed, so that a command can say which.
struct KifuLoadError {
  enum Kind : int {
    kNone = 0,
    kUnknownFormat,  // no format given and none told by the extension
    kSystem,         // the file cannot be opened or read: errno's code in os_error
    kTooLarge,       // larger than kMaxRecordBytes (record_file.h)
    kNotARecord,     // the format's reader refused the text
    kBadStart,       // the text sets up a start position that breaks the rules
    kUnknownHandicap,  // the 手合割 line names a handicap no reader knows
                       // (KifuReadStop holds the line and the name)
    kUnknownLine,      // the text holds a line of no kind the reader knows
                       // and no move could be read (KifuReadStop's
                       // passed_over names the first such line)
  };
  Kind kind = kNone;
  int os_error = 0;
};

// Reads the file into the holder. `*format` 0 asks for detection by extension
// and receives the code found. The file is read whole into memory first, and
// one larger than kMaxRecordBytes is refused before that (an input of unknown
// size, such as a device, as soon as it goes past it). False (holder
// unchanged) when the format is unknown, the file cannot be read, is too large
// or the reader refuses it; `error`, when given, tells which. On success the
// current move is the root and the position the start; a plain load clears the
// modified flag and takes the path as the name, a merge marks the record
// modified and keeps its name. `stop` as for kifu_read_stream; its
// moves_skipped tells of a QVF text whose moves were not read (the format
// carries back the position only), here and in kifu_load_memory.
bool kifu_load_file(KifuHolder& holder, const char* path, int* format, bool merge,
                    KifuReadStop* stop = nullptr, KifuLoadError* error = nullptr);

// The second half of kifu_load_file: reads the whole text `bytes` (as read from
// a file; the packed form still packed) in `format` (a known code) into the
// holder, which takes `name` as its name (none when null). False (holder
// unchanged) with `error` telling why, as kifu_load_file.
bool kifu_load_bytes(KifuHolder& holder, std::string bytes, const char* name, int format, bool merge,
                     KifuReadStop* stop = nullptr, KifuLoadError* error = nullptr);

// Writes the whole record. Read-only formats are refused before anything is
// opened. The file is written beside the target and renamed over it only when
// every write succeeded, so a failed save leaves an existing file as it was;
// errno then holds the reason of the failed open, write, close or rename.
// Through a symbolic link the file it leads to is replaced and keeps its mode
// (one not there yet is made); a file the process may not write is refused,
// as a shell redirection refuses it; a device or a pipe (/dev/null) is written
// into, never replaced.
// On success the modified flag is cleared and the path becomes the name.
bool kifu_save_file(KifuHolder& holder, const char* path, int* format);

// kifu_save_file with the text written in UTF-8 instead of Shift-JIS, without
// a byte-order mark (the packed form stays packed).
bool kifu_save_file_utf8(KifuHolder& holder, const char* path, int* format);

// Writes the current position as a record without moves; the holder does not
// change.
bool kifu_save_file_from(KifuHolder& holder, const char* path, int* format);

// Appends the record (or, with `from_position`, the current position) as
// clipboard text with CR LF line ends: 1 KIF, 2 KI2, 3 CSA, 4 QVF; any other
// code writes the whole record as KI2, position flag or not. True.
bool kifu_save_memory(const KifuHolder& holder, KString& target, int format, bool from_position);

// Reads clipboard text by trying KIF, KIF with change sections, QVF, CSA (strict)
// and KI2 in turn; the first that accepts it wins. False (holder unchanged)
// when none does (`stop`'s bad_start set when a reader met a start position
// that breaks the rules, or else the first unknown handicap or line of no
// known kind a reader met, whichever came first). On
// success the holder is updated as after loading a file, with an empty name.
// `stop` as for kifu_read_stream.
bool kifu_load_memory(KifuHolder& holder, const char* text, KifuReadStop* stop = nullptr);

// Reads the whole text of a record file whose format nothing names (standard
// input), NUL bytes and all, as kifu_load_memory tries the readers but with
// each as a file is read: CSA with its version, information and any other
// header lines. False (holder unchanged) with `error` kBadStart, kUnknownHandicap,
// kUnknownLine (`stop` then names the handicap or the line) or kNotARecord.
// On success the holder is updated as after loading a file, with an empty name.
bool kifu_load_text(KifuHolder& holder, const std::string& bytes, KifuReadStop* stop = nullptr,
                    KifuLoadError* error = nullptr);

}  // namespace model
