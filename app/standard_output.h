// Standard output and its failures. Every program's output (the front end's
// commands, perft, the measuring tools) is flushed on the way out, and a write
// that failed on the way (a full disk, a device that takes nothing) makes the
// run fail with one line that says so, as a file that cannot be written does:
// output that did not arrive is never reported as success.
#pragma once

#include <string>

namespace app {

// Flushes standard output; false when this flush or an earlier write failed.
// The system's reason of the first failed flush is kept for the line that
// reports it (a failed flush drops what it held, so a later flush cannot tell).
bool flush_output();

// "cannot write standard output", with the system's reason `error` (an errno
// value; 0 when not known).
std::string output_failure(int error);

// The exit status of a command named `command` ("show", "book show") that
// ended with `status`: standard output is flushed, and when any of it could
// not be written, "velkora COMMAND: cannot write standard output: REASON" goes
// to standard error and the status becomes the failure status, unless the
// command had failed already and said why in its own line.
int finish_output(const std::string& command, int status);

// The same for the program named `program` ("perft", "velkora show") as its
// messages name it: "PROGRAM: cannot write standard output: REASON" on
// standard error and the failure status when any output was lost, unless
// `status` is the failure status already.
int finish_program_output(const std::string& program, int status);

}  // namespace app
