// The record formats as the front end names them: the names of --from and
// --to (kifu and ki2u: KIF and KI2 in UTF-8), the formats that can be read but
// not written, the one --from option of every command that reads a record, the format
// and encoding a file's name tells (".kifu" and ".ki2u" are KIF and KI2 in
// UTF-8), saving in that encoding, and the warning of a conversion that
// cannot write all of a record.
#pragma once

#include <string>

#include "app/arguments.h"
#include "model/record/kifu_holder.h"

namespace app {

// The format names, separated by blanks, as extensions tell them.
constexpr const char* kFormatNamesText = "kif ki2 csa qvf ckf vkr qvx";
// The names --from takes: those, and kifu and ki2u, KIF and KI2 in UTF-8.
constexpr const char* kReadFormatNamesText = "kif ki2 csa qvf ckf vkr qvx kifu ki2u";
// The names --to takes: the formats that can be written.
constexpr const char* kWrittenFormatNamesText = "kif ki2 csa qvf ckf kifu ki2u";

// Added to a format code by the names kifu and ki2u: the text is UTF-8
// whatever the file's name. The model's readers and writers never see it.
constexpr int kUtf8Text = 0x100;

// The format code of a name of kReadFormatNamesText (kifu and ki2u: KIF and
// KI2 with kUtf8Text); 0 for any other.
int format_code(const char* name);
// The name of a format code (kifu and ki2u with kUtf8Text); "" for an
// unknown code.
const char* format_name(int code);
// True for the formats that can be read but not written (vkr, qvx).
bool format_is_read_only(int code);
// "the format F can be read but not written", F the name of `code`.
std::string read_only_text(int code);

// Declares "--from F", the format of the record read, written to `*format`
// (left 0 when not given): the one declaration of every command that reads
// a record.
void add_from_option(CommandLine& cl, int* format);

// The format a file's name tells: its three-letter extension
// (kifu_format_from_path), or "kifu" and "ki2u" for KIF and KI2; 0 for none.
int record_path_format(const char* path);
// True when the file's name says that its text is UTF-8 (".kifu", ".ki2u").
bool record_path_is_utf8(const char* path);

// Saves the record as `path` (kifu_save_file), in UTF-8 when the name says so
// or `*format` carries kUtf8Text; `*format` 0 is told by the name, and
// receives the model's code.
bool save_record_file(model::KifuHolder& holder, const char* path, int* format);

// One line on standard error when writing the record in `format` (kUtf8Text
// or not) leaves variations, comments or bookmarks out (kifu_write_loss):
// what the format holds, and how many were not written. Nothing when the
// format holds all of it.
void warn_write_loss(const char* command, const model::Kifu& kifu, int format);

}  // namespace app
