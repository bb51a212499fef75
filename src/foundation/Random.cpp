#include "foundation/Random.h"

namespace tv {
namespace {
uint32_t state = 1;
}

void SeedRandom(uint32_t seed) { state = seed; }
uint32_t RandomState() { return state; }

int RandomDraw() {
  state = state * 214013u + 2531011u;
  return static_cast<int>((state >> 16) & 0x7FFFu);
}

int RandomMod(int n) {
  const int r = RandomDraw();
  return n > 0 ? r % n : 0;
}

bool RandomPercent(int percent) { return RandomDraw() % 100 < percent; }

double RandomUnit() { return RandomDraw() * kRandomScale; }

}  // namespace tv
