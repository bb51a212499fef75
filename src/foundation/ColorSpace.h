// Colours as four doubles and the conversions between RGB and HSV (hue in degrees).
#pragma once

namespace tv {

// A default Rgba is opaque blue, the same four values as a default Vec4.
struct Rgba {
  double r = 0.0, g = 0.0, b = 1.0, a = 1.0;

  constexpr Rgba() = default;
  constexpr Rgba(double r_, double g_, double b_, double a_) : r(r_), g(g_), b(b_), a(a_) {}
  constexpr bool operator==(const Rgba&) const = default;
};

// Hue in degrees (any value; reduced by whole turns, non-finite hues count as 0), saturation and
// value in 0..1. All three outputs are always written.
void HsvToRgb(double hue, double saturation, double value, double& r, double& g, double& b);

// Components in 0..1; hue comes out in 0..360 (pure red is 0).
void RgbToHsv(double r, double g, double b, double& hue, double& saturation, double& value);

}  // namespace tv
