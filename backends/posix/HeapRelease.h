// Gives the C library's free heap pages back to the system now and then.
#pragma once

#include <cstdint>

namespace tv::posix {

// glibc keeps the memory it frees inside its heap, resident. Knots of every size come and go,
// and after an hour most of the heap is free yet resident: tens of megabytes that a saver left
// running for days should not hold. Giving them back once a minute costs a millisecond or so.
class HeapRelease {
 public:
  explicit HeapRelease(uint64_t everyMs = 60000) : everyMs_(everyMs) {}
  // Call once a frame with a millisecond clock; the first call starts the interval.
  void Tick(uint64_t nowMs);
  int Releases() const { return releases_; }

 private:
  uint64_t everyMs_;
  uint64_t lastMs_ = 0;
  bool started_ = false;
  int releases_ = 0;
};

}  // namespace tv::posix
