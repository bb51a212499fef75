#include "HeapRelease.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace tv::posix {

void HeapRelease::Tick(uint64_t nowMs) {
  if (!started_ || nowMs < lastMs_) {  // a clock that went back starts the interval afresh
    started_ = true;
    lastMs_ = nowMs;
    return;
  }
  if (nowMs - lastMs_ < everyMs_) return;
  lastMs_ = nowMs;
  ++releases_;
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

}  // namespace tv::posix
