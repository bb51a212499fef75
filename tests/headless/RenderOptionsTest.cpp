// The command line of tressvale-render, the label font and the PNG files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <initializer_list>

#include "BitmapFont.h"
#include "PngWriter.h"
#include "RenderOptions.h"

namespace tv::headless {
namespace {

bool Parse(std::initializer_list<const char*> args, RenderOptions& o, std::string& error) {
  std::vector<const char*> argv = {"tressvale-render"};
  argv.insert(argv.end(), args.begin(), args.end());
  o = RenderOptions{};
  error.clear();
  return ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), o, error);
}

TEST(RenderOptionsTest, ModesAndValues) {
  RenderOptions o;
  std::string e;
  ASSERT_TRUE(Parse({"--out", "f", "--frames", "30", "--step-ms", "20", "--size", "640x360",
                     "--seed", "4294967295", "--defaults"}, o, e)) << e;
  EXPECT_EQ(o.mode, RenderMode::Frames);
  EXPECT_EQ(o.frames, 30);
  EXPECT_EQ(o.stepMs, 20);
  EXPECT_EQ(o.width, 640);
  EXPECT_EQ(o.height, 360);
  EXPECT_EQ(o.seed, 4294967295u);
  EXPECT_TRUE(o.defaults);

  ASSERT_TRUE(Parse({"--png", "a.png", "--at", "6000"}, o, e)) << e;
  EXPECT_EQ(o.mode, RenderMode::Png);
  EXPECT_EQ(o.atMs, 6000);
  EXPECT_FALSE(o.seed.has_value());

  ASSERT_TRUE(Parse({"--knot", "3", "--png", "k.png", "--style", "half u"}, o, e)) << e;
  EXPECT_EQ(o.mode, RenderMode::Still);
  EXPECT_EQ(o.style, 4);

  ASSERT_TRUE(Parse({"--bench"}, o, e)) << e;
  EXPECT_EQ(o.mode, RenderMode::Bench);
  EXPECT_EQ(o.frames, 6000) << "a 60-second run by default";

  ASSERT_TRUE(Parse({"--contact-sheet", "s.png", "--cell", "96"}, o, e)) << e;
  EXPECT_EQ(o.mode, RenderMode::ContactSheet);
  ASSERT_TRUE(Parse({"--help", "--bogus"}, o, e));
  EXPECT_EQ(o.mode, RenderMode::Help);
}

TEST(RenderOptionsTest, BadInputIsRefusedWithAReason) {
  RenderOptions o;
  std::string e;
  const std::vector<std::vector<const char*>> bad = {
      {},                                         // nothing to do
      {"--bogus"},                                // unknown
      {"--out"},                                  // missing value
      {"--out", "f", "--size", "0x10"},           // zero size
      {"--out", "f", "--size", "640"},            // no x
      {"--out", "f", "--size", "20000x10"},       // too large
      {"--out", "f", "--size", "64x48x2"},        // trailing junk
      {"--out", "f", "--frames", "-1"},
      {"--out", "f", "--frames", "1e3"},
      {"--out", "f", "--step-ms", "0"},           // would never advance
      {"--out", "f", "--seed", "4294967296"},
      {"--png", "a.png", "--at", "-5"},
      {"--png", "a.png", "--frames", "3"},
      {"--knot", "1"},                            // no --png
      {"--knot", "x", "--png", "a"},
      {"--knot", "1", "--png", "a", "--style", "Glossy"},
      {"--out", "f", "--style", "Wire"},          // style without a still
      {"--out", "f", "--bench"},                  // two jobs
      {"--out", "f", "--at", "5"},
      {"--out", "f", "--set", "knotCount"},
      {"--out", ""},
  };
  for (const auto& args : bad) {
    std::vector<const char*> argv = {"tressvale-render"};
    argv.insert(argv.end(), args.begin(), args.end());
    o = RenderOptions{};
    e.clear();
    EXPECT_FALSE(ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), o, e))
        << (args.empty() ? "(none)" : args[0]) << " " << (args.size() > 1 ? args.back() : "");
    EXPECT_FALSE(e.empty());
  }
}

TEST(RenderOptionsTest, StyleNamesAreTheLabelsInAnyCase) {
  const std::pair<const char*, int> names[] = {
      {"Wire", 0},    {"point", 1},  {"TRIANGLE", 2}, {"Quad", 3},     {"Half U", 4}, {"halfu", 4},
      {"HalfV", 5},   {"half-v", 5}, {"Smooth", 6},   {"blended", 7},
  };
  for (const auto& [name, style] : names) EXPECT_EQ(ParseStyleName(name), style) << name;
  EXPECT_FALSE(ParseStyleName("").has_value());
  EXPECT_FALSE(ParseStyleName("Half").has_value());
  EXPECT_FALSE(ParseStyleName("HalfW").has_value());
}

TEST(RenderOptionsTest, SetChangesOneFieldOrSaysWhyNot) {
  SaverSettings r = DefaultSettings();
  std::string e;
  EXPECT_TRUE(ApplySetting(r, "knotCount", "20", e));
  EXPECT_TRUE(ApplySetting(r, "uMax", "10", e));
  EXPECT_TRUE(ApplySetting(r, "weightHalfU", "7", e));
  EXPECT_TRUE(ApplySetting(r, "blendedPercent", "100", e));
  EXPECT_EQ(r.knotCount, 20);
  EXPECT_EQ(r.uMax, 10.0);
  EXPECT_EQ(r.styleWeight[4], 7);
  EXPECT_EQ(r.blendedPercent, 100);
  EXPECT_FALSE(ApplySetting(r, "knotcount", "2", e));
  EXPECT_FALSE(ApplySetting(r, "knotCount", "2.5", e));
  EXPECT_FALSE(ApplySetting(r, "knotCount", "99999999999", e));
  EXPECT_FALSE(ApplySetting(r, "uMin", "nan", e));
  EXPECT_FALSE(ApplySetting(r, "weightGlossy", "1", e));
  EXPECT_EQ(r.knotCount, 20) << "a refused value leaves the field alone";
}

TEST(BitmapFontTest, EveryPrintableCharacterHasItsOwnGlyph) {
  const unsigned char* missing = GlyphRows('\x01');
  for (char c = ' '; c <= '~'; ++c) EXPECT_NE(GlyphRows(c), missing) << c;
  EXPECT_EQ(GlyphRows('\x7f'), missing);
  EXPECT_EQ(TextWidth("", 2), 0);
  EXPECT_EQ(TextWidth("3_1", 1), 17);
  EXPECT_EQ(TextWidth("3_1", 2), 34);
}

TEST(BitmapFontTest, TextLandsWhereAskedAndIsClippedAtTheEdges) {
  Image image(20, 10);
  const uint8_t white[3] = {255, 255, 255};
  DrawText(image, 1, 1, "L", 1, white);  // L: left column down, bottom row across
  EXPECT_EQ(image.At(1, 1)[0], 255);
  EXPECT_EQ(image.At(1, 7)[0], 255);
  EXPECT_EQ(image.At(5, 7)[0], 255);
  EXPECT_EQ(image.At(2, 1)[0], 0);
  DrawText(image, 17, 8, "WW", 3, white);  // mostly outside: must not write past the buffer
  DrawText(image, -40, -40, "W", 2, white);
  EXPECT_EQ(image.rgba.size(), 20u * 10u * 4u);
}

TEST(PngTest, RoundTripKeepsColoursAndDropsAlpha) {
  Image image(7, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) {
      uint8_t* p = image.At(x, y);
      p[0] = static_cast<uint8_t>(x * 30);
      p[1] = static_cast<uint8_t>(y * 80);
      p[2] = 200;
      p[3] = 40;  // partial alpha as blending leaves it
    }
  const auto path = std::filesystem::temp_directory_path() / ("tv-png-" + std::to_string(getpid()) + ".png");
  std::string e;
  ASSERT_TRUE(WritePng(path.string(), image, e)) << e;
  Image back;
  ASSERT_TRUE(ReadPng(path.string(), back, e)) << e;
  std::filesystem::remove(path);
  ASSERT_EQ(back.width, 7);
  ASSERT_EQ(back.height, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 7; ++x) {
      EXPECT_EQ(back.At(x, y)[0], x * 30);
      EXPECT_EQ(back.At(x, y)[1], y * 80);
      EXPECT_EQ(back.At(x, y)[3], 255);
    }
}

TEST(PngTest, UnwritablePathOrEmptyPictureFailsWithAReason) {
  std::string e;
  EXPECT_FALSE(WritePng("/nonexistent-folder/x.png", Image(2, 2), e));
  EXPECT_NE(e.find("nonexistent-folder"), std::string::npos);
  e.clear();
  EXPECT_FALSE(WritePng("/tmp/never.png", Image(), e));
  EXPECT_FALSE(e.empty());
}

}  // namespace
}  // namespace tv::headless
