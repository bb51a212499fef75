// Helpers shared by the scene, frame-loop and headless tests: small hand-made library blocks.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tv::test {

// A stored-knot block of one record whose components are rings of `points` points and the given
// radius, the c-th centred at (1.2 c radius, 0, 0).
inline std::vector<uint8_t> RingBlock(int components, int points = 24, double radius = 1.0) {
  std::vector<uint8_t> block = {static_cast<uint8_t>(components)};
  auto put = [&block](const auto& value) {  // not insert(), which GCC 12 takes for an overflow
    block.resize(block.size() + sizeof value);
    std::memcpy(block.data() + block.size() - sizeof value, &value, sizeof value);
  };
  const auto scale = static_cast<float>(0.4 * radius);
  for (int c = 0; c < components; ++c) {
    put(static_cast<uint16_t>(points));
    put(std::array<float, 4>{static_cast<float>(1.2 * radius * c) + static_cast<float>(radius), 0.0f, 0.0f, scale});
    double x = radius, y = 0.0;  // position as decoded, so rounding does not drift
    for (int i = 1; i < points; ++i) {
      const double a = 2.0 * M_PI * i / points;
      const auto dx = static_cast<int8_t>(std::lround((radius * std::cos(a) - x) * 127.0 / scale));
      const auto dy = static_cast<int8_t>(std::lround((radius * std::sin(a) - y) * 127.0 / scale));
      x += dx * scale / 127.0;
      y += dy * scale / 127.0;
      put(std::array<int8_t, 3>{dx, dy, 0});
    }
  }
  block.push_back(0);
  return block;
}

}  // namespace tv::test
