#include "Codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace tv::knotgen {

namespace {

void PutFloat(float f, std::vector<uint8_t>& out) {
  uint8_t b[4];
  std::memcpy(b, &f, 4);  // little-endian host
  out.insert(out.end(), b, b + 4);
}

float GetFloat(const uint8_t* p) {
  float f;
  std::memcpy(&f, p, 4);
  return f;
}

// Deltas of points under error feedback; returns the largest magnitude, or 128+ when a delta
// would not fit.
int Quantise(const Curve& points, double step, std::vector<int8_t>& deltas) {
  deltas.clear();
  double px = static_cast<float>(points[0].x);
  double py = static_cast<float>(points[0].y);
  double pz = static_cast<float>(points[0].z);
  int largest = 0;
  for (size_t i = 1; i < points.size(); ++i) {
    const long dx = std::lround((points[i].x - px) / step);
    const long dy = std::lround((points[i].y - py) / step);
    const long dz = std::lround((points[i].z - pz) / step);
    largest = std::max<int>(largest, static_cast<int>(std::max({std::labs(dx), std::labs(dy), std::labs(dz)})));
    if (largest > 127) return largest;
    deltas.push_back(static_cast<int8_t>(dx));
    deltas.push_back(static_cast<int8_t>(dy));
    deltas.push_back(static_cast<int8_t>(dz));
    // The decoder's arithmetic, in its order.
    px = px + static_cast<double>(dx) * step;
    py = py + static_cast<double>(dy) * step;
    pz = pz + static_cast<double>(dz) * step;
  }
  return largest;
}

}  // namespace

double StepForScale(float scale) {
  const float k = 0.007874016f;
  return static_cast<double>(static_cast<float>(scale * k));
}

float EncodeComponent(const Curve& points, std::vector<uint8_t>& out) {
  if (points.size() < 2 || points.size() > 65535) throw std::runtime_error("bad point count");
  double maxDelta = 0.0;
  for (size_t i = 1; i < points.size(); ++i) {
    const Vec3 d = points[i] - points[i - 1];
    maxDelta = std::max({maxDelta, std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)});
  }
  // The largest delta lands at 126.5 steps, so with feedback it rounds to 126 or 127.
  float scale = static_cast<float>(maxDelta * 127.0 / 126.5);
  std::vector<int8_t> deltas;
  for (int attempt = 0;; ++attempt) {
    const int largest = Quantise(points, StepForScale(scale), deltas);
    if (largest == 126 || largest == 127) break;
    if (attempt > 200) throw std::runtime_error("no scale gives a largest delta of 126..127");
    scale *= largest > 127 ? 1.001f : 0.999f;
  }
  const uint16_t n = static_cast<uint16_t>(points.size());
  out.push_back(static_cast<uint8_t>(n & 0xFF));
  out.push_back(static_cast<uint8_t>(n >> 8));
  PutFloat(static_cast<float>(points[0].x), out);
  PutFloat(static_cast<float>(points[0].y), out);
  PutFloat(static_cast<float>(points[0].z), out);
  PutFloat(scale, out);
  for (int8_t d : deltas) out.push_back(static_cast<uint8_t>(d));
  return scale;
}

void EncodeRecord(const Link& link, std::vector<uint8_t>& out) {
  if (link.empty() || link.size() > 255) throw std::runtime_error("bad component count");
  out.push_back(static_cast<uint8_t>(link.size()));
  for (const Curve& c : link) EncodeComponent(c, out);
}

Link DecodeRecord(const uint8_t* block, size_t& offset) {
  const int m = block[offset++];
  Link link(static_cast<size_t>(m));
  for (int c = 0; c < m; ++c) {
    const uint8_t* p = block + offset;
    const int n = p[0] | (p[1] << 8);
    const double step = StepForScale(GetFloat(p + 14));
    Vec3 P(GetFloat(p + 2), GetFloat(p + 6), GetFloat(p + 10));
    Curve& curve = link[static_cast<size_t>(c)];
    curve.reserve(static_cast<size_t>(n));
    curve.push_back(P);
    const int8_t* d = reinterpret_cast<const int8_t*>(p + 18);
    for (int i = 0; i + 1 < n; ++i) {
      P.x = P.x + d[3 * i] * step;
      P.y = P.y + d[3 * i + 1] * step;
      P.z = P.z + d[3 * i + 2] * step;
      curve.push_back(P);
    }
    offset += 3 * static_cast<size_t>(n) + 15;
  }
  return link;
}

float ComponentScale(const uint8_t* block, size_t offset, int component) {
  size_t p = offset + 1;
  for (int c = 0; c < component; ++c) p += 3 * static_cast<size_t>(block[p] | (block[p + 1] << 8)) + 15;
  return GetFloat(block + p + 14);
}

}  // namespace tv::knotgen
