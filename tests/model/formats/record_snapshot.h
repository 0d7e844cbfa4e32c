// A summary of a game record (headers, start position, the first line's moves)
// for tests that a refused load left the record as it was.
#pragma once

#include <string>

#include "model/record/kifu.h"

namespace model::testing {

inline std::string record_snapshot(const Kifu& kifu) {
  std::string s;
  for (const KString* k : {&kifu.names[0], &kifu.names[1], &kifu.date, &kifu.title, &kifu.event}) {
    s.append(k->c_str()).append("|");
  }
  for (int i = 0; i < kifu.headers.Count(); ++i) s.append(kifu.headers.GetAt(i).c_str()).append("|");
  const Kyokumen& k = kifu.Start()->kyokumen;
  s.append(reinterpret_cast<const char*>(&k), sizeof k);
  for (const KifuKyokumen* n = kifu.Start(); n && n->next.Count() > 0; n = n->next.At(0)->to) {
    s.append(reinterpret_cast<const char*>(&n->next.At(0)->sashite), sizeof(Sashite));
    s += std::to_string(n->next.At(0)->seconds) + "|";
  }
  return s + std::to_string(kifu.table->Count());
}

}  // namespace model::testing
