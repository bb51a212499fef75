// The command line of tressvale-render, the label font and the PNG files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>

#include "BitmapFont.h"
#include "HeadlessRun.h"
#include "PngWriter.h"
#include "RenderOptions.h"
#include "render/Render.h"

namespace tv::headless {
namespace {

bool Parse(const std::vector<const char*>& args, RenderOptions& o, std::string& error) {
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
  EXPECT_EQ(std::tuple(o.mode, o.frames, o.stepMs, o.width, o.height, o.seed.value_or(0), o.defaults),
            std::tuple(RenderMode::Frames, 30, 20, 640, 360, 4294967295u, true));
  // Arguments -> mode, frames (bench: a 60-second run by default), --at, style.
  const struct { std::vector<const char*> args; RenderMode mode; int frames; int32_t atMs, style; } rows[] = {
      {{"--png", "a.png", "--at", "6000"}, RenderMode::Png, 100, 6000, 6},
      {{"--png", "a.png", "--at", "2147483647", "--step-ms", "1"}, RenderMode::Png, 100, 2147483647, 6},
      {{"--knot", "3", "--png", "k.png", "--style", "half u"}, RenderMode::Still, 100, 0, 4},
      {{"--bench"}, RenderMode::Bench, 6000, 0, 6},
      {{"--bench", "--frames", "2147483", "--step-ms", "1000"}, RenderMode::Bench, 2147483, 0, 6},
      {{"--contact-sheet", "s.png", "--cell", "96"}, RenderMode::ContactSheet, 100, 0, 6},
      {{"--help", "--bogus"}, RenderMode::Help, 100, 0, 6},
  };
  for (const auto& row : rows) {
    ASSERT_TRUE(Parse(row.args, o, e)) << row.args[0] << ": " << e;
    EXPECT_EQ(std::tuple(o.mode, o.frames, o.atMs, o.style),
              std::tuple(row.mode, row.frames, row.atMs, row.style)) << row.args[0];
  }
}

TEST(RenderOptionsTest, BadInputIsRefusedWithAReason) {
  RenderOptions o;
  std::string e;
  // Nothing to do, unknown, missing value; sizes zero, without x, too large, with trailing junk;
  // then counts, seeds and times out of range, a knot without --png, a style without a still, two jobs.
  const std::vector<std::vector<const char*>> bad = {
      {}, {"--bogus"}, {"--out"}, {"--out", "f", "--size", "0x10"}, {"--out", "f", "--size", "640"},
      {"--out", "f", "--size", "20000x10"}, {"--out", "f", "--size", "64x48x2"},
      {"--out", "f", "--frames", "-1"}, {"--out", "f", "--frames", "1e3"},
      {"--out", "f", "--step-ms", "0"},  // would never advance
      {"--out", "f", "--seed", "4294967296"}, {"--png", "a.png", "--at", "-5"},
      {"--png", "a.png", "--at", "2147483648"},  // past the saver clock
      {"--png", "a.png", "--frames", "3"}, {"--knot", "1"}, {"--knot", "x", "--png", "a"},
      {"--knot", "1", "--png", "a", "--style", "Glossy"},
      {"--out", "f", "--style", "Wire"}, {"--out", "f", "--bench"}, {"--out", "f", "--at", "5"},
      {"--out", "f", "--set", "knotCount"}, {"--out", ""},
      // frames x step past the saver clock's 2147483647 ms
      {"--bench", "--frames", "597", "--step-ms", "3600000"},
      {"--out", "f", "--frames", "2147484", "--step-ms", "1000"},
  };
  for (const auto& args : bad) {
    EXPECT_FALSE(Parse(args, o, e)) << ::testing::PrintToString(args);
    EXPECT_FALSE(e.empty());
  }
  EXPECT_NE(e.find("2147483647"), std::string::npos) << e;
}

// Triangle and Smooth both shade with the mesh normals; a Blended still must show a blend.
TEST(RenderOptionsTest, BlendedStillBlendsStylesThatShadeDifferently) {
  const RenderParams p = StillParams(Blended);
  const Vec3 corners[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
  Vec3 blended[6], smooth[6];
  for (int k = 0; k < 6; ++k) blended[k] = smooth[k] = Vec3(1, 0, 0);
  StyleNormals(corners, blended, p.style, p.blendFrom, p.blendTo, 0.0);
  StyleNormals(corners, smooth, Smooth, p.blendFrom, p.blendTo, 0.0);
  EXPECT_LT(Dot(blended[0], smooth[0]), 0.9);
  EXPECT_EQ(p.spinning + p.sColored + p.wobbles + p.translucent + p.wireOverlay, 0);
}

TEST(RenderOptionsTest, StyleNamesAreTheLabelsInAnyCase) {
  const std::pair<const char*, std::optional<int32_t>> names[] = {
      {"Wire", 0},   {"point", 1},   {"TRIANGLE", 2}, {"Quad", 3}, {"Half U", 4},       {"halfu", 4},
      {"HalfV", 5},  {"half-v", 5},  {"Smooth", 6},   {"blended", 7}, {"", std::nullopt},
      {"Half", std::nullopt}, {"HalfW", std::nullopt}};
  for (const auto& [name, style] : names) EXPECT_EQ(ParseStyleName(name), style) << name;
}

TEST(RenderOptionsTest, SetChangesOneFieldOrSaysWhyNot) {
  SaverSettings r = DefaultSettings();
  std::string e;
  const std::tuple<const char*, const char*, bool> rows[] = {
      {"knotCount", "20", true},  {"uMax", "10", true},       {"weightHalfU", "7", true},
      {"blendedPercent", "100", true}, {"knotcount", "2", false}, {"knotCount", "2.5", false},
      {"knotCount", "99999999999", false}, {"uMin", "nan", false}, {"weightGlossy", "1", false}};
  for (const auto& [name, value, ok] : rows) EXPECT_EQ(ApplySetting(r, name, value, e), ok) << name << value;
  // A refused value leaves the field alone.
  EXPECT_EQ(std::tuple(r.knotCount, r.uMax, r.styleWeight[4], r.blendedPercent), std::tuple(20, 10.0, 7, 100));
}

// Through knot replacements, wire overlays and styles that leave GL state behind, and to a time
// that is not a whole number of steps: the same picture as drawing every frame.
TEST(FastForwardTest, MatchesDrawingEveryFrame) {
  std::string error;
  auto context = EglContext::Create(48, 32, error);
  if (!context) GTEST_SKIP() << "no EGL: " << error;
  const SaverSettings saved = saverSettings;
  ResetSettings(saverSettings);
  saverSettings.knotCount = 3, saverSettings.styleWeight[Wire] = 6;
  saverSettings.blendedPercent = 100, saverSettings.wirePercent = 50;
  std::vector<uint8_t> pictures[2];
  for (int fast = 0; fast < 2; ++fast) {
    SaverRun run(*context, 3u);
    fast ? run.FastForwardTo(20005, 50) : run.AdvanceTo(20005, 50);
    pictures[fast] = run.Capture().rgba;
  }
  saverSettings = saved;
  EXPECT_TRUE(pictures[0] == pictures[1]);
}

TEST(BitmapFontTest, EveryPrintableCharacterHasItsOwnGlyphAndLandsWhereAsked) {
  const unsigned char* missing = GlyphRows('\x01');
  for (char c = ' '; c <= '~'; ++c) EXPECT_NE(GlyphRows(c), missing) << c;
  EXPECT_EQ(GlyphRows('\x7f'), missing);
  EXPECT_EQ(std::tuple(TextWidth("", 2), TextWidth("3_1", 1), TextWidth("3_1", 2)), std::tuple(0, 17, 34));
  Image image(20, 10);
  const uint8_t white[3] = {255, 255, 255};
  DrawText(image, 1, 1, "L", 1, white);  // L: left column down, bottom row across
  const std::tuple<int, int, int> pixels[] = {{1, 1, 255}, {1, 7, 255}, {5, 7, 255}, {2, 1, 0}};
  for (const auto& [x, y, value] : pixels) EXPECT_EQ(image.At(x, y)[0], value) << x << "," << y;
  DrawText(image, 17, 8, "WW", 3, white);  // mostly outside: must not write past the buffer
  DrawText(image, -40, -40, "W", 2, white);
  EXPECT_EQ(image.rgba.size(), 20u * 10u * 4u);
}

TEST(PngTest, RoundTripKeepsColoursAndDropsAlphaAndFailuresSayWhy) {
  Image image(7, 3), back;
  // Alpha below 255 too, as blending leaves it.
  for (size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = static_cast<uint8_t>(i * 37 % 251);
  const auto path = std::filesystem::temp_directory_path() / ("tv-png-" + std::to_string(getpid()) + ".png");
  std::string e;
  ASSERT_TRUE(WritePng(path.string(), image, e)) << e;
  ASSERT_TRUE(ReadPng(path.string(), back, e)) << e;
  std::filesystem::remove(path);
  ASSERT_EQ(std::tuple(back.width, back.height, back.rgba.size()), std::tuple(7, 3, image.rgba.size()));
  for (size_t i = 0; i < back.rgba.size(); ++i) EXPECT_EQ(back.rgba[i], i % 4 == 3 ? 255 : image.rgba[i]) << i;
  EXPECT_FALSE(WritePng("/nonexistent-folder/x.png", Image(2, 2), e));
  EXPECT_NE(e.find("nonexistent-folder"), std::string::npos);
  e.clear();
  EXPECT_FALSE(WritePng("/tmp/never.png", Image(), e));
  EXPECT_FALSE(e.empty());
}

}  // namespace
}  // namespace tv::headless
