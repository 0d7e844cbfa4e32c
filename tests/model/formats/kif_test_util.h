// Helpers for the KIF tests: files of the test data as bytes, reading a text
// into a record and writing a record back to text.
#pragma once

#include <cstdio>
#include <string>

#include "model/formats/kif_format.h"
#include "model/record/kifu.h"
#include "model/text/text_stream.h"

namespace model::testing {

inline std::string kif_data_path(const char* name) {
  return std::string(VELKORA_TEST_DATA) + "/kif/" + name;
}

inline std::string read_file_bytes(const std::string& path) {
  std::string bytes;
  FILE* fp = std::fopen(path.c_str(), "rb");
  if (!fp) return bytes;
  char buf[4096];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, fp)) > 0;) bytes.append(buf, n);
  std::fclose(fp);
  return bytes;
}

// The whole record as KIF text with CR LF line ends, as a file would hold it.
inline std::string kif_text(const Kifu& kifu) {
  KString out;
  MemTextWriter writer(out, true);
  kifu_write_kif(kifu, writer);
  return std::string(out.c_str(), static_cast<size_t>(out.length()));
}

// Reads `text` (which must hold no NUL byte) into `kifu`.
inline int read_kif_text(Kifu& kifu, const std::string& text, bool merge = false) {
  MemTextReader reader(text.c_str());
  return kifu_read_kif(kifu, reader, merge);
}

}  // namespace model::testing
