#include "Shot.h"

#include <algorithm>
#include <cstdio>

Shot CaptureScreen(RECT r) {
  Shot shot;
  shot.width = r.right - r.left;
  shot.height = r.bottom - r.top;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = shot.width;
  info.bmiHeader.biHeight = -shot.height;  // top row first
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, shot.width, shot.height, screen, r.left, r.top, SRCCOPY);
  const auto* bgra = static_cast<const uint8_t*>(bits);
  for (int i = 0; i < shot.width * shot.height; ++i)
    shot.rgb.insert(shot.rgb.end(), {bgra[4 * i + 2], bgra[4 * i + 1], bgra[4 * i]});
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return shot;
}

namespace {

uint32_t Crc(const uint8_t* p, size_t n, uint32_t crc = 0) {
  crc = ~crc;
  while (n--) {
    crc ^= *p++;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  Put32(png, data.size());
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  Put32(png, Crc(body.data(), body.size()));
}

}  // namespace

// Uncompressed (stored) deflate blocks: no library needed, and the viewer reads it all the same.
bool WritePng(const Shot& shot, const std::string& path) {
  std::vector<uint8_t> raw;
  const size_t row = 3 * shot.width;
  for (int y = 0; y < shot.height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), shot.rgb.begin() + y * row, shot.rgb.begin() + (y + 1) * row);
  }
  std::vector<uint8_t> z = {0x78, 0x01};
  uint32_t a = 1, b = 0;
  size_t at = 0;
  do {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z.insert(z.end(), {uint8_t(at + n == raw.size()), uint8_t(n), uint8_t(n >> 8), uint8_t(~n),
                       uint8_t(~n >> 8)});
    z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
    at += n;
  } while (at < raw.size());
  for (uint8_t c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
  Put32(z, (b << 16) | a);
  std::vector<uint8_t> header, png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Put32(header, shot.width);
  Put32(header, shot.height);
  header.insert(header.end(), {8, 2, 0, 0, 0});
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = fwrite(png.data(), 1, png.size(), f) == png.size();
  return fclose(f) == 0 && ok;
}

Look LookAt(const Shot& shot) {
  long lit = 0, coloured = 0, sector[12] = {};
  for (size_t i = 0; i + 2 < shot.rgb.size(); i += 3) {
    const int r = shot.rgb[i], g = shot.rgb[i + 1], b = shot.rgb[i + 2];
    const int hi = std::max({r, g, b}), lo = std::min({r, g, b});
    lit += hi > 24;
    if (hi < 48 || hi - lo < hi / 3) continue;  // dark or grey: no reliable hue
    double h = hi == r   ? (g - b) / double(hi - lo)
               : hi == g ? 2 + (b - r) / double(hi - lo)
                         : 4 + (r - g) / double(hi - lo);
    ++sector[int((h < 0 ? h + 6 : h) * 2) % 12];
    ++coloured;
  }
  Look look;
  look.litShare = shot.rgb.empty() ? 0 : lit * 3.0 / shot.rgb.size();
  for (int k = 0; k < 12; ++k) look.hues |= (coloured && sector[k] * 200 >= coloured) << k;
  return look;
}
