// The record commands of the command-line front end, standing in for the file
// and clipboard commands of a desktop shell. Each returns the process's exit
// status and reports a failure as one line on standard error.
#pragma once

namespace app {

// velkora board [--handicap N]: a start position as a diagram.
int cmd_board(int argc, char** argv);
// velkora convert IN OUT [--from FORMAT] [--to FORMAT]: reads IN and writes OUT,
// each in the format of its extension; "-" is standard input or output as
// UTF-8 text (a pasted input without --from is recognised by trying every text
// format).
int cmd_convert(int argc, char** argv);
// velkora show FILE [--ply N]: the position at ply N of the main line (default:
// its end) as a diagram, and the moves of the line.
int cmd_show(int argc, char** argv);

}  // namespace app
