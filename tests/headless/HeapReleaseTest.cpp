#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <vector>

#include "HeapRelease.h"

namespace tv::posix {
namespace {

// Releases come once per interval of the caller's clock, counted from the first tick; a clock
// that goes back starts the interval afresh instead of waiting for it to come round again.
TEST(HeapRelease, OncePerIntervalFromTheFirstTick) {
  HeapRelease heap(1000);
  const std::pair<uint64_t, int> ticks[] = {{5000, 0}, {5999, 0}, {6000, 1}, {6500, 1},
                                            {7000, 2}, {100, 2},  {1099, 2}, {1100, 3}};
  for (const auto& [now, releases] : ticks) {
    heap.Tick(now);
    EXPECT_EQ(heap.Releases(), releases) << now;
  }
}

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)  // the sanitizer has its own heap
long ResidentKiB() {
  long pages = 0, resident = -1;
  std::ifstream("/proc/self/statm") >> pages >> resident;
  return resident * 4;
}

// Freed blocks below a live one stay resident in the heap until they are given back.
TEST(HeapRelease, FreedHeapBelowALiveBlockLeavesResidentMemory) {
  constexpr size_t kBlock = 64 * 1024, kBlocks = 1024;  // 64 MiB under the mmap threshold
  std::vector<std::unique_ptr<char[]>> blocks;
  for (size_t i = 0; i < kBlocks; ++i) {
    blocks.emplace_back(new char[kBlock]);
    std::memset(blocks.back().get(), 1, kBlock);
  }
  for (size_t i = 0; i + 1 < kBlocks; ++i) blocks[i].reset();  // the last one pins the top
  const long held = ResidentKiB();
  HeapRelease heap(1);
  heap.Tick(0);
  heap.Tick(1);
  ASSERT_EQ(heap.Releases(), 1);
  EXPECT_LT(ResidentKiB(), held - 32 * 1024);
}
#endif

}  // namespace
}  // namespace tv::posix
