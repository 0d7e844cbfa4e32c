// Damaging record texts for the readers' robustness tests.
#pragma once

#include <random>
#include <string>
#include <string_view>

namespace model::testing {

// One random edit of `text`: a byte replaced or inserted (a random byte, or one
// of `noise`, the bytes that matter to the format), a short run erased, or a
// run of up to `max_run` bytes copied in place. An empty text stays empty.
inline void damage_once(std::string& text, std::mt19937& rng, std::string_view noise, size_t max_run) {
  if (text.empty()) return;
  const size_t at = rng() % text.size();
  const char c = (rng() % 3 == 0 || noise.empty()) ? static_cast<char>(rng()) : noise[rng() % noise.size()];
  switch (rng() % 4) {
    case 0: text[at] = c; break;
    case 1: text.insert(at, 1, c); break;
    case 2: text.erase(at, 1 + rng() % 8); break;
    default: {
      const std::string run = text.substr(at, 1 + rng() % max_run);
      text.insert(text.begin() + static_cast<long>(at), run.begin(), run.end());
      break;
    }
  }
}

}  // namespace model::testing
