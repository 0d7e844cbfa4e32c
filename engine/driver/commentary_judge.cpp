#include "engine/driver/commentary_judge.h"

#include <algorithm>
#include <cstdlib>

namespace driver {

namespace {

constexpr int64_t kMinSwingChange = 30;
constexpr int64_t kMinStrictChange = 60;
constexpr int64_t kDecidedScore = 1300;
constexpr int64_t kMinScale = 80;
constexpr int64_t kCapBelow = 100;
// Later values more than this many plies on weigh less in the reliability.
constexpr int kNearPlies = 20;

bool odd(int64_t x) { return x % 2 != 0; }

// The advantage word of a score that a bad move may throw away.
std::string label(int64_t x) {
  if (x > 1000) return "勝勢";
  if (x > 500) return "優勢";
  if (x > 200) return "指しやすさ";
  return "";
}

// label + `tail`, or `plain` when there is no label.
std::string labelled(int64_t before, const char* tail, const char* plain) {
  const std::string l = label(before);
  return l.empty() ? std::string(plain) : l + tail;
}

Verdict text(const std::string& a, int code) { return Verdict{a, "", code}; }

// s1 below -80.
Verdict blunder(int64_t before, int64_t after, int s2, int r) {
  if (s2 >= 0) return Verdict{"後の展開を見ると", "あたりが良くなかったのかもしれません。", 1};
  if (s2 >= -20) return Verdict{"後の進行を考えると", "あたりが悪かったと思われます。", 1};
  if (r > 80) {
    if (after > 500)
      return text(odd(before) ? "悪手で少し怪しくなりました。" : "悪手で少し私に希望が出てきたと思いました。", 0);
    if (after < 50) return text(labelled(before, "をふいにする悪手でした。", "悪手でした。"), 0);
    return text("悪手でした。", 0);
  }
  if (r > 50) {
    if (after < 50) {
      return text(labelled(before, "をふいにする悪手だったかもしれません。", "悪手だったかもしれません。"), 0);
    }
    return text("悪手だったかもしれません。", 0);
  }
  const char* later = "悪手かと思いましたが、この後うまく指されました。";
  if (after < 50) return text(labelled(before, "をふいにする悪手かと思いましたが、この後うまく指されました。", later), 0);
  return text(later, 0);
}

// s1 from -80 to -51.
Verdict dubious(int64_t before, int64_t after, int s2, int r) {
  if (s2 >= 0) return Verdict{"後の展開を見ると", "あたりが良くなかったのかもしれません。", 1};
  if (s2 >= -20) return Verdict{"以下の進行を考えると", "あたりが疑問手だったと思われます。", 1};
  if (r > 80) {
    if (before < -200) return text("形勢をさらに悪化させる疑問手でした。", 2);
    if (after < -200) return text("疑問手で少し形勢を損ねました。", 0);
    if (after > 100) return text("疑問手で少し差が詰まりました。", 0);
    return text("疑問手でした。", 0);
  }
  if (r > 50) {
    if (before > -500 && before < -200) return text("形勢をさらに悪化させる疑問手だったかもしれません。", 2);
    return text("疑問手だったかもしれません。", 0);
  }
  return text(odd(before) ? "指された時は疑問手かと思いましたが、その後うまく指されました。"
                          : "指された時は少しありがたいと思いましたが、そうではなかったようです。",
              3);
}

// s1 from -50 to -31.
Verdict doubtful(int64_t before, int s2, int r) {
  if (s2 >= 0) return text("後の進行を考えると少し疑問だったのかもしれません。", 2);
  if (r > 80) {
    if (before > -500 && before < -200) return text("少し粘りを欠きました。", 2);
    return text(odd(before) ? "少し疑問でした。" : "あまり良くありませんでした。", 2);
  }
  if (r > 50) return text(odd(before) ? "少し疑問だったかもしれません。" : "あまり良くなかったかもしれません。", 2);
  return text(odd(before) ? "指された時は少し疑問かと思いましたが、その後うまく指されました。"
                          : "指された時は少しありがたいと思いましたが、この後うまく指されました。",
              3);
}

// s1 from -30 to -21.
Verdict slight(int64_t before, int s2, int r) {
  if (s2 >= 0) return text("ここからの進行を見ると微妙に疑問だったかもしれません。", 2);
  if (r <= 80) return Verdict{};
  if (before < -200) return text("少し粘りを欠いたかもしれません。", 2);
  return text(odd(before) ? "わずかに疑問手だったかもしれません。" : "少しだけ損な手だったかもしれません。", 2);
}

}  // namespace

int commentary_swing(int64_t before, int64_t after, bool strict) {
  if (before == kNoScore || after == kNoScore) return 0;
  const int64_t d = after - before;
  const int64_t size = std::llabs(d);
  if (size < kMinSwingChange || (strict && size < kMinStrictChange)) return 0;
  if (std::llabs(before) > kDecidedScore && (d > 0) == (before > 0)) return 0;
  const int64_t r = std::clamp<int64_t>(d * 100 / std::max<int64_t>(std::llabs(before), kMinScale), -100, 100);
  if (size >= kCapBelow) return static_cast<int>(r);
  const int64_t cap = d * 50 / 100;
  return static_cast<int>(std::llabs(cap) < std::llabs(r) ? cap : r);
}

int commentary_reliability(const int64_t* series, int count, int p, int s1) {
  const int64_t before = p - 2 >= 0 && p - 2 < count ? series[p - 2] : kNoScore;
  double f = 1.0;
  for (int i = p + 2; i >= 0 && i < count; i += 2) {
    const int t = commentary_swing(before, series[i], false);
    const bool far = i > p + kNearPlies;
    if (t == 0) {
      f *= far ? 0.99 : 0.9;
    } else if ((t < 0) != (s1 < 0)) {
      f *= far ? 0.95 : 0.5;
    }
  }
  return static_cast<int>(f * 100);
}

Verdict commentary_verdict(int s1, int64_t before, int64_t after, int s2, int r) {
  if (s1 < -80) return blunder(before, after, s2, r);
  if (s1 <= -51) return dubious(before, after, s2, r);
  if (s1 <= -31) return doubtful(before, s2, r);
  if (s1 <= -21) return slight(before, s2, r);
  return Verdict{};
}

std::string commentary_situation(int64_t x, bool sure, CommentaryEnding& ending) {
  std::string s;
  if (x < -500) {
    s = sure ? "、悪いながらもまだ容易でない展開が続いていた" : "、少々悪い程度だった";
  } else if (x < -200) {
    s = sure ? "、少々悪い程度でこれからの勝負だった" : "、少々悪い程度だった";
  } else if (x < 200) {
    s = !sure ? "ほぼ互角だった" : odd(x) ? "ほぼ互角の勝負が続いていた" : "これからの勝負だった";
  } else if (x < 500) {
    s = "、むしろあなたの方が指しやすい局面だった";
  } else {
    s = "あなたがはっきり優勢だった";
  }
  static constexpr const char* kEndings[3] = {"のではないでしょうか？", "のではないかと思います。", "かと思います。"};
  ending.counter = ((ending.counter % 3 + 3) % 3 + 1) % 3;  // any start word
  return s + kEndings[ending.counter];
}

}  // namespace driver
