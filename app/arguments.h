// Reading the front end's command-line arguments.
#pragma once

namespace app {

// Reads `s` as a whole decimal number within [lo, hi] into `out`; false (and
// `out` untouched) for an empty text, trailing characters or a value out of range.
bool parse_int(const char* s, int lo, int hi, int* out);

}  // namespace app
