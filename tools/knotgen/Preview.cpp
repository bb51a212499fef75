#include "Preview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace tv::knotgen {

namespace {

uint32_t Crc(const unsigned char* p, size_t n, uint32_t c = 0xFFFFFFFFu) {
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
  }
  return c;
}

void Chunk(FILE* f, const char* type, const std::vector<unsigned char>& data) {
  const uint32_t n = static_cast<uint32_t>(data.size());
  const unsigned char len[4] = {static_cast<unsigned char>(n >> 24), static_cast<unsigned char>(n >> 16),
                                static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)};
  std::fwrite(len, 1, 4, f);
  std::vector<unsigned char> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  std::fwrite(body.data(), 1, body.size(), f);
  const uint32_t c = Crc(body.data(), body.size()) ^ 0xFFFFFFFFu;
  const unsigned char cb[4] = {static_cast<unsigned char>(c >> 24), static_cast<unsigned char>(c >> 16),
                               static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c)};
  std::fwrite(cb, 1, 4, f);
}

// An uncompressed PNG: zlib stream of stored blocks.
void WritePng(const std::vector<unsigned char>& rgb, int W, int H, const std::string& path) {
  std::vector<unsigned char> raw;
  for (int y = 0; y < H; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), rgb.begin() + static_cast<long>(y) * W * 3, rgb.begin() + static_cast<long>(y + 1) * W * 3);
  }
  std::vector<unsigned char> z = {0x78, 0x01};
  for (size_t at = 0; at < raw.size();) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z.push_back(at + n == raw.size() ? 1 : 0);
    z.push_back(static_cast<unsigned char>(n & 0xFF));
    z.push_back(static_cast<unsigned char>(n >> 8));
    z.push_back(static_cast<unsigned char>(~n & 0xFF));
    z.push_back(static_cast<unsigned char>((~n >> 8) & 0xFF));
    z.insert(z.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
    at += n;
  }
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  const uint32_t ad = (b << 16) | a;
  for (int k = 3; k >= 0; --k) z.push_back(static_cast<unsigned char>(ad >> (8 * k)));
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  const unsigned char sig[8] = {137, 80, 78, 71, 13, 10, 26, 10};
  std::fwrite(sig, 1, 8, f);
  std::vector<unsigned char> ihdr = {static_cast<unsigned char>(W >> 24), static_cast<unsigned char>(W >> 16),
                                     static_cast<unsigned char>(W >> 8), static_cast<unsigned char>(W),
                                     static_cast<unsigned char>(H >> 24), static_cast<unsigned char>(H >> 16),
                                     static_cast<unsigned char>(H >> 8), static_cast<unsigned char>(H), 8, 2, 0, 0, 0};
  Chunk(f, "IHDR", ihdr);
  Chunk(f, "IDAT", z);
  Chunk(f, "IEND", {});
  std::fclose(f);
}

}  // namespace

void WritePreview(const std::vector<Link>& links, double tubeRadius, int tile, int columns, const std::string& path,
                  double yaw) {
  const int rows = (static_cast<int>(links.size()) + columns - 1) / columns;
  const int W = tile * columns, H = tile * rows;
  std::vector<unsigned char> rgb(static_cast<size_t>(W) * H * 3, 255);
  std::vector<double> depth(static_cast<size_t>(W) * H, -1e300);
  const double ca = std::cos(0.35), sa = std::sin(0.35), cy = std::cos(yaw), sy = std::sin(yaw);
  for (size_t k = 0; k < links.size(); ++k) {
    const Link& link = links[k];
    Box b = Bounds(link);
    const Vec3 mid = 0.5 * (b.lo + b.hi);
    double extent = 0.0;
    for (const Curve& c : link)
      for (const Vec3& p : c) extent = std::max(extent, Length(p - mid));
    extent += tubeRadius;
    const double scale = 0.48 * tile / extent;
    const int ox = static_cast<int>(k % columns) * tile + tile / 2, oy = static_cast<int>(k / columns) * tile + tile / 2;
    for (size_t c = 0; c < link.size(); ++c) {
      const double hue = static_cast<double>(c) / std::max<size_t>(1, link.size());
      const double cr = 0.5 + 0.5 * std::cos(6.2832 * hue), cg = 0.5 + 0.5 * std::cos(6.2832 * (hue - 0.33)),
                   cb = 0.5 + 0.5 * std::cos(6.2832 * (hue - 0.67));
      const Curve s = SampleBSpline(link[c], 8);
      for (const Vec3& p0 : s) {
        const Vec3 q0 = p0 - mid;
        const Vec3 p(cy * q0.x + sy * q0.z, q0.y, -sy * q0.x + cy * q0.z);
        const double y = ca * p.y - sa * p.z, z = sa * p.y + ca * p.z;
        const double cx = ox + p.x * scale, cyy = oy - y * scale, rr = tubeRadius * scale;
        for (int py = static_cast<int>(cyy - rr) - 1; py <= static_cast<int>(cyy + rr) + 1; ++py)
          for (int px = static_cast<int>(cx - rr) - 1; px <= static_cast<int>(cx + rr) + 1; ++px) {
            if (px < 0 || py < 0 || px >= W || py >= H) continue;
            const double dx = (px - cx) / rr, dy = (py - cyy) / rr, q = dx * dx + dy * dy;
            if (q > 1.0) continue;
            const double dz = std::sqrt(1.0 - q);
            const double zz = z * scale + dz * rr;
            const size_t at = static_cast<size_t>(py) * W + px;
            if (zz <= depth[at]) continue;
            depth[at] = zz;
            const double light = std::clamp(0.25 + 0.75 * (-0.4 * dx - 0.5 * dy + 0.77 * dz), 0.0, 1.0);
            rgb[at * 3] = static_cast<unsigned char>(255 * std::min(1.0, cr * light + 0.1));
            rgb[at * 3 + 1] = static_cast<unsigned char>(255 * std::min(1.0, cg * light + 0.1));
            rgb[at * 3 + 2] = static_cast<unsigned char>(255 * std::min(1.0, cb * light + 0.1));
          }
      }
    }
  }
  WritePng(rgb, W, H, path);
}

}  // namespace tv::knotgen
