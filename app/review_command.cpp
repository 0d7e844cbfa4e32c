#include "app/review_command.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/record_commands.h"
#include "app/terminal.h"
#include "engine/driver/kifu_analyze.h"
#include "model/record/kifu_holder.h"
#include "model/text/kstring.h"

namespace app {

namespace {

int fail(const std::string& what) {
  std::fprintf(stderr, "velkora review: %s\n", what.c_str());
  return 1;
}

}  // namespace

int cmd_review(int argc, char** argv) {
  const char* path = nullptr;
  int side = 0;
  for (int i = 0; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--side") == 0) {
      const char* value = i + 1 < argc ? argv[++i] : "";
      if (std::strcmp(value, "sente") == 0) {
        side = 0;
      } else if (std::strcmp(value, "gote") == 0) {
        side = 1;
      } else {
        return fail("--side needs sente or gote");
      }
    } else if (a[0] == '-' && a[1] != '\0') {
      return fail(std::string("unknown option '") + a + "'");
    } else if (path == nullptr) {
      path = a;
    } else {
      return fail(std::string("unexpected argument '") + a + "'");
    }
  }
  if (path == nullptr) return fail("usage: velkora review FILE [--side sente|gote]");
  model::KifuHolder holder;
  model::KifuReadStop stop;
  std::string error;
  if (!load_record(holder, path, 0, error, stop)) return fail(error);
  warn_read_stop("review", path, stop);

  model::KString text;
  driver::kansou_text(side, holder.kifu, text);
  std::string lf;
  for (const char* c = text.c_str(); c != nullptr && *c != '\0'; ++c) {
    if (*c != '\r') lf += *c;
  }
  std::fputs(sjis_to_utf8(lf).c_str(), stdout);
  return 0;
}

}  // namespace app
