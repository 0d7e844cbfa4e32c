#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/file_replace.h"
#include "platform/large_memory.h"
#include "platform/mailbox.h"
#include "platform/memory.h"

namespace platform {
namespace {

TEST(Clock, IntervalsSurviveTheWrapOfTheCounter) {
  EXPECT_EQ(tick_elapsed(0xFFFFFFF0u, 0x10u), 0x20u);
  EXPECT_EQ(tick_elapsed(100, 350), 250u);
  EXPECT_TRUE(tick_reached(0x5u, 0xFFFFFFFEu));   // deadline just before the wrap
  EXPECT_FALSE(tick_reached(0xFFFFFFFEu, 0x5u));  // deadline just after it
  const uint32_t a = tick_ms();
  const uint32_t b = tick_ms();
  EXPECT_LT(tick_elapsed(a, b), 1000u);
}

TEST(Memory, ReadsTotalAndAvailableFromMeminfo) {
  MemoryStatus m;
  ASSERT_TRUE(parse_meminfo("MemTotal:       16384 kB\nMemFree:  100 kB\nMemAvailable:   8192 kB\n", m));
  EXPECT_EQ(m.total_physical, 16384ull * 1024);
  EXPECT_EQ(m.available_physical, 8192ull * 1024);
  // Without MemAvailable (old kernels) the free memory stands in.
  ASSERT_TRUE(parse_meminfo("MemTotal: 2048 kB\nMemFree: 1024 kB\n", m));
  EXPECT_EQ(m.available_physical, 1024ull * 1024);
  EXPECT_FALSE(parse_meminfo("MemFree: 1 kB\n", m));
  EXPECT_FALSE(parse_meminfo("MemTotal: lots\n", m));
  EXPECT_EQ(m.total_physical, 0u);
  // This machine's own figures.
  ASSERT_TRUE(memory_status(m));
  EXPECT_GT(m.total_physical, 64ull << 20);
  EXPECT_LE(m.available_physical, m.total_physical);
}

TEST(LargeMemory, BigBlocksStartOnALargePageAndEverySizeIsUsable) {
  for (const size_t bytes : {size_t{0}, size_t{100}, kLargeBlockBytes - 1, kLargeBlockBytes, kLargePageBytes - 1,
                             kLargePageBytes, 3 * kLargePageBytes + 5}) {
    auto* block = static_cast<unsigned char*>(large_alloc(bytes));
    ASSERT_NE(block, nullptr) << bytes;
    if (bytes >= kLargeBlockBytes) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % kLargePageBytes, 0u) << bytes;
    }
    if (bytes > 0) {
      std::memset(block, 0xA5, bytes);
      EXPECT_EQ(block[bytes - 1], 0xA5);
    }
    large_free(block);
  }
  // A size the address space cannot hold is refused, not wrapped round.
  EXPECT_EQ(large_alloc(SIZE_MAX - 1), nullptr);
  large_free(nullptr);
}

TEST(Mailbox, DeliversInOrderWaitsAndRefusesWhenFull) {
  Mailbox box(2);
  WindowMessage m;
  EXPECT_FALSE(box.Wait(m, 1));  // nothing came
  EXPECT_TRUE(post_message(&box, 7, 1, -1));
  EXPECT_TRUE(post_message(&box, 8));
  EXPECT_FALSE(post_message(&box, 9));  // full
  EXPECT_FALSE(post_message(nullptr, 9));
  ASSERT_TRUE(box.Wait(m, 0));
  EXPECT_EQ(m.id, 7u);
  EXPECT_EQ(m.wparam, 1u);
  EXPECT_EQ(m.lparam, -1);
  ASSERT_TRUE(box.Wait(m, 0));
  EXPECT_EQ(m.id, 8u);
  EXPECT_EQ(box.Size(), 0u);
}

TEST(FileReplacement, NewFilesTakeTheUmaskAndADroppedOneLeavesNothing) {
  const std::string dir = ::testing::TempDir() + "/replace";
  ::mkdir(dir.c_str(), 0755);
  // A link that leads nowhere is not written through.
  ASSERT_EQ(::symlink((dir + "/nowhere").c_str(), (dir + "/dangling").c_str()), 0);
  EXPECT_EQ(resolve_file_path((dir + "/dangling").c_str()), "");
  EXPECT_EQ(FileReplacement::Begin((dir + "/dangling").c_str()), nullptr);
  EXPECT_EQ(FileReplacement::Begin(dir.c_str()), nullptr);  // a folder is no file
  const mode_t mask = ::umask(027);
  auto r = FileReplacement::Begin((dir + "/new").c_str());
  ASSERT_NE(r, nullptr);
  std::fputs("new", r->stream());
  EXPECT_TRUE(r->Commit());
  ::umask(mask);
  struct stat st {};
  ASSERT_EQ(::stat((dir + "/new").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // Dropped before Commit: the file keeps its three bytes, no temporary stays.
  r = FileReplacement::Begin((dir + "/new").c_str());
  std::fputs("changed", r->stream());
  r.reset();
  ASSERT_EQ(::stat((dir + "/new").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 3);
  ASSERT_EQ(::unlink((dir + "/new").c_str()), 0);
  ASSERT_EQ(::unlink((dir + "/dangling").c_str()), 0);
  EXPECT_EQ(::rmdir(dir.c_str()), 0);  // empty
}

}  // namespace
}  // namespace platform
