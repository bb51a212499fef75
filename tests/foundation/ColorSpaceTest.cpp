#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "foundation/ColorSpace.h"
#include "support/CheckCapture.h"

namespace tv {
namespace {

struct Rgb {
  double r, g, b;
};

Rgb FromHsv(double h, double s, double v) {
  Rgb c{-1, -1, -1};
  HsvToRgb(h, s, v, c.r, c.g, c.b);
  return c;
}

void ExpectRgb(const Rgb& c, const Rgb& expected, double eps = 1e-12) {
  EXPECT_NEAR(c.r, expected.r, eps);
  EXPECT_NEAR(c.g, expected.g, eps);
  EXPECT_NEAR(c.b, expected.b, eps);
}

TEST(HsvToRgb, SectorsGreyAndWholeTurns) {
  const struct {
    double h, s, v;
    Rgb rgb;
  } cases[] = {{0, 1, 1, {1, 0, 0}},      {120, 1, 1, {0, 1, 0}},        {240, 1, 1, {0, 0, 1}},
               {420, 1, 1, {1, 1, 0}},    {30, 0.9, 0.9, {0.9, 0.495, 0.09}}, {77, 0, 0.9, {0.9, 0.9, 0.9}},
               {90, 1, 1, {0.5, 1, 0}},   {150, 1, 1, {0, 1, 0.5}},      {210, 1, 1, {0, 0.5, 1}},
               {270, 1, 1, {0.5, 0, 1}},  {330, 1, 1, {1, 0, 0.5}},
               // just below a full turn the sector may round to 6, which must read as sector 0
               {std::nextafter(360.0, 0.0), 1, 1, {1, 0, 0}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.h);
    ExpectRgb(FromHsv(c.h, c.s, c.v), c.rgb);
  }
  // Whole turns come off exactly, as repeated subtraction would; negative hues wrap onto the circle.
  const double h = 360.0 * 1000 + 12.345;
  ExpectRgb(FromHsv(h, 0.7, 0.8), FromHsv(h - 360000.0, 0.7, 0.8), 0);
  ExpectRgb(FromHsv(725, 1, 1), FromHsv(5, 1, 1));
  ExpectRgb(FromHsv(-30, 1, 1), FromHsv(330, 1, 1));
}

TEST(HsvToRgb, HostileHuesFinishAndWriteEveryChannel) {
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  for (double h : {inf, -inf, nan, 1e300, 1e18 + 30, -30.0, -1e-300}) {
    const Rgb c = FromHsv(h, 1, 1);
    for (double x : {c.r, c.g, c.b}) EXPECT_TRUE(x >= 0.0 && x <= 1.0) << "hue " << h << " gave " << x;
  }
}

TEST(RgbToHsv, KnownHuesAndRoundTrips) {
  const struct {
    double r, g, b, h, s, v;
  } cases[] = {{1, 0, 0, 0, 1, 1},    {0, 1, 1, 180, 1, 1},   {0.5, 0.5, 0.5, 0, 0, 0.5}, {1, 0.5, 0, 30, 1, 1},
               {1, 0, 0.5, 330, 1, 1}, {1, 1, 0, 60, 1, 1},   {0, 0, 1, 240, 1, 1},       {1, 0, 1, 300, 1, 1},
               {0.2, 0.8, 0.4, 140, 0.75, 0.8}};
  for (const auto& c : cases) {
    double h, s, v;
    RgbToHsv(c.r, c.g, c.b, h, s, v);
    EXPECT_NEAR(h, c.h, 1e-12) << c.r << "," << c.g << "," << c.b;  // pure red is hue 0, not 360
    EXPECT_NEAR(s, c.s, 1e-12);
    EXPECT_NEAR(v, c.v, 1e-12);
  }
  test::CheckCapture capture;
  for (double r = 0; r <= 1.0; r += 0.125)
    for (double g = 0; g <= 1.0; g += 0.25)
      for (double b = 0; b <= 1.0; b += 0.1) {
        double h, s, v;
        RgbToHsv(r, g, b, h, s, v);
        EXPECT_TRUE(h >= 0.0 && h < 360.0) << h;
        ExpectRgb(FromHsv(h, s, v), {r, g, b});
      }
  EXPECT_TRUE(capture.failures().empty());
}

TEST(RgbToHsv, OutOfRangeInputRaisesSaturationCheckTwice) {
  test::CheckCapture capture;
  double h, s, v;
  RgbToHsv(-1, 0.5, 0.5, h, s, v);  // saturation 4: both checks fire
  ASSERT_EQ(capture.failures().size(), 2u);
  EXPECT_EQ(capture.failures()[0].expression, "(0.0<=*s)&&(*s<=1.0)");
  EXPECT_EQ(capture.failures()[0].module, Module::ColorSpace);
}

}  // namespace
}  // namespace tv
