#include <gtest/gtest.h>

#include <string>

#include "model/text/kstring.h"

namespace model {
namespace {

TEST(KString, CopiesAreDeepAndAppendsReadTheirSourceFirst) {
  KString s;
  s.Free();
  s.Free();  // freeing an empty string is harmless
  s.Allocate(-1);
  EXPECT_TRUE(s.is_shared_empty());
  s.Allocate(5);
  EXPECT_STREQ(s.c_str(), "");
  EXPECT_TRUE(KString::KStringFromC(nullptr).is_shared_empty());
  KString a = KString::KStringFromC("abc");
  KString b = a;
  b.Append("def");
  EXPECT_STREQ(a.c_str(), "abc");
  EXPECT_GE(b.capacity(), 7);
  b.AppendChar('g');
  b.AppendInt(-42);
  b.Append(nullptr);
  EXPECT_STREQ(b.c_str(), "abcdefg-42");
  EXPECT_EQ(b.length(), 10);
  // Appending or assigning a piece of itself reads the text before the buffer moves.
  b.Append(b.c_str() + 7);
  EXPECT_STREQ(b.c_str(), "abcdefg-42-42");
  a.Assign(a.c_str() + 1);
  EXPECT_STREQ(a.c_str(), "bc");
  const KString none;
  a = none;  // copying an empty string empties
  EXPECT_TRUE(a.is_shared_empty());
  KString moved = std::move(b);
  EXPECT_STREQ(moved.c_str(), "abcdefg-42-42");
  EXPECT_TRUE(b.is_shared_empty());

  // A text built byte by byte is moved to a larger buffer a few dozen times,
  // not once per byte.
  KString grown;
  int moves = 0;
  for (int i = 0; i < 100000; ++i) {
    const int before = grown.capacity();
    i % 2 ? grown.AppendChar('x') : grown.Append("y");
    moves += grown.capacity() != before;
  }
  EXPECT_EQ(grown.length(), 100000);
  EXPECT_LT(moves, 40);
}

// A copy owns a buffer of exactly its length + 1 bytes, whatever the room of
// its source; an empty source, owned buffer or not, gives the shared empty
// string. The copy constructor gives the same.
TEST(KString, KStringCopyHoldsTheTextInABufferOfItsLengthPlusOne) {
  KString roomy;
  roomy.Allocate(64);
  roomy.Append("abc");
  ASSERT_EQ(roomy.capacity(), 64);
  const KString copy = KString::KStringCopy(roomy);
  EXPECT_STREQ(copy.c_str(), "abc");
  EXPECT_EQ(copy.length(), 3);
  EXPECT_EQ(copy.capacity(), 4);
  EXPECT_NE(copy.c_str(), roomy.c_str());
  roomy.Assign("xyz");
  EXPECT_STREQ(copy.c_str(), "abc");  // deep: the source's change stays there

  KString emptied;
  emptied.Allocate(8);  // owns a buffer, holds no text
  for (const KString* empty : {static_cast<const KString*>(&emptied), &empty_kstring()}) {
    const KString none = KString::KStringCopy(*empty);
    EXPECT_TRUE(none.is_shared_empty());
    EXPECT_EQ(none.length(), 0);
    EXPECT_EQ(none.capacity(), 0);
  }
  const KString constructed(roomy);
  EXPECT_STREQ(constructed.c_str(), "xyz");
  EXPECT_EQ(constructed.capacity(), 4);
  EXPECT_TRUE(KString(emptied).is_shared_empty());
}

TEST(KString, TrimsTreatTheFullWidthSpaceAsABlank) {
  KString s = KString::KStringFromC("abc　 ");
  EXPECT_TRUE(s.TrimRight());
  EXPECT_STREQ(s.c_str(), "abc");
  EXPECT_FALSE(s.TrimRight());
  EXPECT_FALSE(KString().TrimRight());
  KString left = KString::KStringFromC(" \t　x");
  EXPECT_TRUE(left.TrimLeft());
  EXPECT_STREQ(left.c_str(), "x");
  // A two-byte character whose second byte is a blank code is not a blank.
  KString kanji = KString::KStringFromC("x\x82\x20");
  EXPECT_FALSE(kanji.TrimRight());
  EXPECT_EQ(kanji.EraseFront(10), 3);
  EXPECT_STREQ(kanji.c_str(), "");
}

TEST(KString, FindAndSplitRespectCharacterBoundaries) {
  const KString s = KString::KStringFromC("\x81\x40\x40");
  EXPECT_EQ(s.Find(0x40, 0), 2);
  EXPECT_EQ(s.Find(0x40, 3), -1);

  KString kv = KString::KStringFromC("key=value");
  KString out = KString::KStringFromC("stale");
  EXPECT_EQ(kv.After("#", out), -1);
  EXPECT_STREQ(kv.c_str(), "key=value");
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(kv.After("", out), -1);
  EXPECT_EQ(kv.After("=", out), 0);
  EXPECT_STREQ(kv.c_str(), "key");
  EXPECT_STREQ(out.c_str(), "value");

  // "ア" is 0x83 0x41: a plain byte search finds the 'A' inside it, the
  // character-wise one only the real 'A' behind it.
  KString wide = KString::KStringFromC("\x83\x41" "A" "z");
  KString copy = wide;
  EXPECT_EQ(wide.After("A", out), 0);
  EXPECT_EQ(wide.length(), 1);
  EXPECT_EQ(copy.AfterN("A", out), 0);
  EXPECT_STREQ(copy.c_str(), "\x83\x41");
  EXPECT_STREQ(out.c_str(), "z");
}

TEST(KStringList, ChainsBlocksOfSixteen) {
  KStringList list;
  for (int i = 0; i < 17; ++i) list.Add(KString::KStringFromC(std::to_string(i).c_str()));
  EXPECT_STREQ(list.GetAt(15).c_str(), "15");
  EXPECT_STREQ(list.GetAt(16).c_str(), "16");
  EXPECT_EQ(&list.GetAt(17), &empty_kstring());
  EXPECT_EQ(&list.GetAt(-1), &empty_kstring());
  KStringList copy = list;
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  for (int i = 17; i < 40; ++i) copy.Add(KString::KStringFromC(std::to_string(i).c_str()));
  EXPECT_EQ(copy.Count(), 40);
  EXPECT_STREQ(copy.GetAt(32).c_str(), "32");
  EXPECT_STREQ(copy.GetAt(39).c_str(), "39");
}

}  // namespace
}  // namespace model
