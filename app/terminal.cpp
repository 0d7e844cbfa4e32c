#include "app/terminal.h"

#include <iconv.h>

#include <cerrno>

namespace app {

namespace {

std::string convert(std::string_view in, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.resize(in.size() * 3 + 16);
  char* src = const_cast<char*>(in.data());
  size_t src_left = in.size();
  char* dst = out.data();
  size_t dst_left = out.size();
  while (src_left > 0) {
    if (iconv(cd, &src, &src_left, &dst, &dst_left) != static_cast<size_t>(-1)) break;
    const bool full = errno == E2BIG;
    if (full || dst_left == 0) {
      const size_t used = out.size() - dst_left;
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dst_left = out.size() - used;
      if (full) continue;
    }
    // An invalid or cut-off sequence: write a marker and step over one byte.
    *dst++ = '?';
    --dst_left;
    ++src;
    --src_left;
  }
  out.resize(out.size() - dst_left);
  iconv_close(cd);
  return out;
}

}  // namespace

std::string sjis_to_utf8(std::string_view sjis) { return convert(sjis, "UTF-8", "CP932"); }

std::string utf8_to_sjis(std::string_view utf8) { return convert(utf8, "CP932", "UTF-8"); }

}  // namespace app
