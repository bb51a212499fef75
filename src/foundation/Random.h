// The one process-wide pseudo-random source: a linear congruential generator of 15-bit integers.
// Every random choice of the program draws from it, so its order of draws is part of the behaviour.
#pragma once

#include <cstdint>

namespace tv {

constexpr int kRandomMax = 32767;
constexpr double kRandomScale = 0.00003051850947599719;  // 1/32767: a draw scaled to 0..1

void SeedRandom(uint32_t seed);
uint32_t RandomState();

// Next integer 0..32767.
int RandomDraw();
// Next draw modulo n; n must be positive (a non-positive n yields 0 but still consumes a draw).
int RandomMod(int n);
// Next draw tested as a percentage chance: draw mod 100 < percent.
bool RandomPercent(int percent);
// Next draw scaled to 0..1 inclusive.
double RandomUnit();

}  // namespace tv
