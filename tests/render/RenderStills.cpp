// Writes stills of every style and effect as PNG files, to look at: render_stills OUTDIR
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "EglContext.h"
#include "StillScene.h"
#include "knots/TorusKnot.h"
#include "knots/library/KnotLibrary.h"
#include "render/Render.h"

namespace {

using namespace tv;

constexpr int kW = 400, kH = 300;

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgba, int w, int h) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < h; ++y) png_write_row(png, const_cast<uint8_t*>(&rgba[size_t(y) * w * 4]));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  return true;
}

struct Still {
  std::string name;
  RenderParams params;
  int previousStyle;  // the knot drawn in the frame before, for the carried-over state
};

RenderParams Params(int32_t style, bool coloured = false, bool wobbles = false,
                    bool translucent = false, bool overlay = false) {
  RenderParams p;
  p.style = style;
  p.blendFrom = Quad;
  p.blendTo = HalfU;
  p.sColored = coloured;
  p.wobbles = wobbles;
  p.translucent = translucent;
  p.wireOverlay = overlay;
  return p;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dir = argc > 1 ? argv[1] : ".";
  const int timeMs = argc > 2 ? std::atoi(argv[2]) : 5000;
  std::string error;
  auto context = headless::EglContext::Create(kW, kH, error);
  if (!context) {
    std::fprintf(stderr, "no EGL context: %s\n", error.c_str());
    return 1;
  }
  test::SetupStillState(kW, kH);

  TorusKnot torus;
  torus.p = 5;
  torus.q = 3;
  torus.components[0].uDivisions = 60;
  torus.components[0].vDivisions = 8;
  torus.Rebuild();
  torus.ScaleToSize(5.0);
  torus.components[0].SetColors(Rgba(0.9, 0.5, 0.1, 1), false, 6.0);
  Knot stored;
  LoadLibraryKnot(stored, argc > 3 ? std::atoi(argv[3]) : 0);

  const std::vector<Still> stills = {
      {"wire", Params(Wire), Smooth},
      {"point", Params(Point), Smooth},
      {"triangle", Params(Triangle), Smooth},
      {"quad", Params(Quad), Smooth},
      {"halfu", Params(HalfU), Smooth},
      {"halfv", Params(HalfV), Smooth},
      {"smooth", Params(Smooth), Smooth},
      {"blended", Params(Blended), Smooth},
      {"coloured", Params(Smooth, true), Smooth},
      {"wobbles", Params(Smooth, false, true), Smooth},
      {"translucent", Params(Smooth, false, false, true), Smooth},
      {"translucent-overlay", Params(Smooth, false, false, true, true), Smooth},
      {"all-effects", Params(Smooth, true, true, true, true), Smooth},
      // Last: llvmpipe (Mesa 22.3) keeps shading flat after outlines drawn flat, even once
      // GL_SMOOTH is set again; softpipe does not. Drawn last so it cannot taint the others.
      {"triangle-after-wire", Params(Triangle), Wire},
  };
  const Knot* knots[2] = {&torus, &stored};
  test::Placement where[2];
  where[0] = {-1.6, 0, -8, 20, 10};
  where[1] = {1.8, 0, -8, -30, 25};
  // All stills side by side too, four to a row, for a quick look.
  const int columns = 4, rows = (int(stills.size()) + columns - 1) / columns;
  std::vector<uint8_t> sheet(size_t(columns) * kW * rows * kH * 4, 40);
  int index = 0;
  for (const Still& s : stills) {
    RenderParams before[2] = {Params(s.previousStyle), Params(s.previousStyle)};
    test::DrawStill(knots, before, where, 2, timeMs);
    RenderParams now[2] = {s.params, s.params};
    test::DrawStill(knots, now, where, 2, timeMs);
    const std::string path = dir + "/" + s.name + ".png";
    const std::vector<uint8_t> pixels = context->ReadPixels();
    const int sx = (index % columns) * kW, sy = (index / columns) * kH;
    ++index;
    for (int y = 1; y < kH - 1; ++y)
      std::copy(&pixels[(size_t(y) * kW + 1) * 4], &pixels[(size_t(y) * kW + kW - 1) * 4],
                &sheet[((size_t(sy + y) * columns * kW) + sx + 1) * 4]);
    if (!WritePng(path, pixels, kW, kH)) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
    std::printf("%s\n", path.c_str());
  }
  return WritePng(dir + "/sheet.png", sheet, columns * kW, rows * kH) ? 0 : 1;
}
