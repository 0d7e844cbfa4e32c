// The record commands of the command-line front end, standing in for the file
// and clipboard commands of a desktop shell. Each returns the process's exit
// status and reports a failure as one line on standard error.
#pragma once

#include <string>

#include "model/formats/kif_format.h"
#include "model/record/kifu_holder.h"

namespace app {

// Loads a game record: the file `in` in the format of its name
// (record_path_format) or `format` when not 0, or standard input ("-"), a
// file's content whose format, without `format`, the file readers tell
// (kifu_load_text). A text in UTF-8 is converted to Shift-JIS first, from a
// file as from standard input (record_text_to_sjis; a ".kifu" or ".ki2u" file,
// or a `format` with kUtf8Text, always); bytes in it that are no UTF-8 are
// read as "?", and so is each character that Shift-JIS cannot hold, and
// `stop` tells the line of the first of each. False with a one-line `error`
// when nothing can be read: the system's reason (a folder is told as one), the
// size limit, a start position that breaks the rules, or no record (with the
// line of a byte that was no UTF-8, if any); a file whose name tells no format
// is refused with a pointer to --from. `stop` tells where the reader stopped
// short of the end and what it passed over.
bool load_record(model::KifuHolder& holder, const char* in, int format, std::string& error,
                 model::KifuReadStop& stop);
// The warnings of a record read, one line each on standard error: QVF moves
// not read, bytes of a UTF-8 text that were no UTF-8, its characters that
// Shift-JIS cannot hold, the first line passed over as a move line or
// variation whose move number does not fit, the first end statement left out
// for want of such a result, the first word in a move's place read as an
// interruption, and the move line the reader stopped at (the record keeps the
// moves before it). The command goes on with what was read.
void warn_read_stop(const char* command, const char* in, const model::KifuReadStop& stop);
// The moves played on the record's main line: its moves up to the first
// record event (a resignation, an interruption, a repetition, ...), which ends
// the game without being a move. Every command counts plies (--ply N: the
// position after N moves) against this number.
int moves_played(const model::Kifu& kifu);
// "the record has only N moves", for a ply past moves_played.
std::string only_moves_text(int played);
// load_record (in `format`, 0 for the one `in` tells), warn_read_stop, then
// makes the position after ply `ply` of the main line current (the last move
// played when `ply` < 0). On false `error` says why. `stop`, when given,
// receives what the read told.
bool load_record_at_ply(model::KifuHolder& holder, const char* command, const char* in, long ply,
                        std::string& error, int format = 0, model::KifuReadStop* stop = nullptr);

// "cannot write 'OUT'" with the system's reason, read from errno, which the
// caller clears before the failed step (a folder named OUT is told as one). A
// symbolic link OUT whose links lead nowhere a file can be made is told with
// where they lead: "its link leads to 'T', whose folder does not exist"; a
// folder that may not be written, with its name: "its folder 'D' may not be
// written: Permission denied"; a descriptor OUT names (/dev/fd/N) that is not
// open for writing, with its number.
std::string cannot_write(const char* out);
// Why a file cannot be written as OUT (cannot_write's text), or an empty
// text when it can: the test the save itself makes, so that the two never
// disagree (a file that may not be written, a folder that takes no file, a
// link into a missing folder). Asked before a long job (a solve, a review, a
// compose, the games of the self-play tool), so that a save that cannot
// happen fails at once instead of after the work.
std::string save_refusal(const char* out);
// Why the record read from `in` (load_record, which told `stop`) may not be
// saved as `out`: `out` lands on the same file on the disk (however either is
// named: links, other paths, a descriptor, standard input or output
// redirected to it) and the read did not take in all that file holds (its
// moves stopped, it passed over or left out a line, read bytes as "?", or the
// format gives back less, as QVF does), so that the save would lose the rest.
// "cannot write 'OUT': it is the file read, ..." with the first thing not
// read; empty when the save may go on. Asked before any work.
std::string self_overwrite_refusal(const char* in, const char* out, const model::KifuReadStop& stop);
// Saves the record as OUT, its format by OUT's name (record_path_format,
// written to *format) unless *format is given, in UTF-8 for a ".kifu" or
// ".ki2u" OUT: an empty text when saved, else save_refusal's kind of text.
std::string save_record(model::KifuHolder& holder, const char* out, int* format);

// velkora board [--handicap H]: a start position as a diagram; H is a handicap
// name or its bits as a number.
int cmd_board(int argc, char** argv);
// velkora convert IN OUT [--from FORMAT] [--to FORMAT]: reads IN and writes OUT,
// each in the format of its name; "-" is standard input or output as UTF-8
// text (standard input without --from read in the format its content has).
// What OUT's format cannot hold is told on standard error (warn_write_loss).
int cmd_convert(int argc, char** argv);
// velkora show FILE [--ply N] [--from F]: the position at ply N of the main
// line (default: its end) as a diagram, and the moves of the line.
int cmd_show(int argc, char** argv);

}  // namespace app
