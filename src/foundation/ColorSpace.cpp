#include "foundation/ColorSpace.h"

#include <algorithm>
#include <cmath>

#include "foundation/Check.h"

namespace tv {

void HsvToRgb(double h, double s, double v, double& r, double& g, double& b) {
  if (s == 0.0) {
    r = g = b = v;
    return;
  }
  // Whole turns come off in one exact step: fmod gives the same result as subtracting 360 until
  // the hue drops below it, without the endless loop an infinite or enormous hue would cause.
  if (!std::isfinite(h)) h = 0.0;
  if (h >= 360.0) h = std::fmod(h, 360.0);
  if (h < 0.0) h = std::fmod(h, 360.0) + 360.0;  // callers never pass one; keep it on the circle
  if (h >= 360.0) h = 0.0;                        // -tiny + 360 can round up to 360

  const double h6 = h * (1.0 / 60.0);
  const int i = std::clamp(static_cast<int>(std::floor(h6)), 0, 6);
  const double f = h6 - i;
  const double p = v * (1.0 - s);
  const double q = v * (1.0 - s * f);
  const double t = v * (1.0 - s * (1.0 - f));
  switch (i) {
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    case 5: r = v, g = p, b = q; break;
    default: r = v, g = t, b = p; break;  // sectors 0 and 6 (h6 rounded up to 6 just below 360)
  }
}

void RgbToHsv(double r, double g, double b, double& hue, double& saturation, double& value) {
  const double max = std::max({r, g, b});
  const double min = std::min({r, g, b});
  value = max;
  if (max == min) {
    hue = 0.0;
    saturation = 0.0;
    return;
  }
  const double delta = max - min;
  double k, n;
  if (r == min) {
    k = 3.0, n = g - b;
  } else if (g == min) {
    k = 5.0, n = b - r;
  } else {
    k = 1.0, n = r - g;
  }
  hue = (k - n / delta) * 60.0;
  if (hue == 360.0) hue = 0.0;
  const double s = delta / max;
  TV_CHECK_TEXT(ColorSpace, 0.0 <= s && s <= 1.0, "(0.0<=*s)&&(*s<=1.0)");
  saturation = s;
  TV_CHECK_TEXT(ColorSpace, 0.0 <= saturation && saturation <= 1.0, "(0.0<=*s)&&(*s<=1.0)");
}

}  // namespace tv
