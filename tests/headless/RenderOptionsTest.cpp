// The command line of tressvale-render, the label font, the PNG files and the frame-time log of
// --bench (its CSV rows and what the plot shows where).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>

#include "BitmapFont.h"
#include "FrameLog.h"
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

// Accepted lines give their mode, frames (bench: a 60-second run by default), --at and style;
// refused ones say why (error: a part of the reason).
TEST(RenderOptionsTest, LinesGiveTheirModeOrAReason) {
  RenderOptions o;
  std::string e;
  ASSERT_TRUE(Parse({"--out", "f", "--frames", "30", "--step-ms", "20", "--size", "640x360",
                     "--seed", "4294967295", "--defaults"}, o, e)) << e;
  EXPECT_EQ(std::tuple(o.mode, o.frames, o.stepMs, o.width, o.height, o.seed.value_or(0), o.defaults),
            std::tuple(RenderMode::Frames, 30, 20, 640, 360, 4294967295u, true));
  ASSERT_TRUE(Parse({"--bench", "--csv", "f.csv", "--plot", "f.png"}, o, e)) << e;
  EXPECT_EQ(o.csvFile + " " + o.plotFile, "f.csv f.png");
  const char* const kBenchOnly = "--csv, --plot and --in-place apply to --bench";
  const struct Row {
    std::vector<const char*> args;
    const char* error;  // null: accepted
    RenderMode mode = RenderMode::Help;
    int frames = 0;
    int32_t atMs = 0, style = 0;
  } rows[] = {
      {{"--png", "a.png", "--at", "6000"}, nullptr, RenderMode::Png, 100, 6000, 6},
      {{"--png", "a.png", "--at", "2147483647", "--step-ms", "1"}, nullptr, RenderMode::Png, 100, 2147483647, 6},
      {{"--knot", "3", "--png", "k.png", "--style", "half u"}, nullptr, RenderMode::Still, 100, 0, 4},
      {{"--bench"}, nullptr, RenderMode::Bench, 6000, 0, 6},
      {{"--bench", "--frames", "2147483", "--step-ms", "1000"}, nullptr, RenderMode::Bench, 2147483, 0, 6},
      {{"--contact-sheet", "s.png", "--cell", "96"}, nullptr, RenderMode::ContactSheet, 100, 0, 6},
      {{"--help", "--bogus"}, nullptr, RenderMode::Help, 100, 0, 6},
      // Nothing to do, unknown, missing value; sizes zero, without x, too large, with trailing junk.
      {{}, "nothing to do"}, {{"--bogus"}, "unknown option '--bogus'"}, {{"--out"}, "--out needs a value"},
      {{"--out", "f", "--size", "0x10"}, "--size wants WxH, each 1..16384, not '0x10'"},
      {{"--out", "f", "--size", "640"}, "not '640'"}, {{"--out", "f", "--size", "20000x10"}, "not '20000x10'"},
      {{"--out", "f", "--size", "64x48x2"}, "not '64x48x2'"},
      // Counts, seeds and times out of range, frames x step past the clock; a step of 0 would never advance.
      {{"--out", "f", "--frames", "-1"}, "--frames wants 1..100000000, not '-1'"},
      {{"--out", "f", "--frames", "1e3"}, "not '1e3'"}, {{"--out", "f", "--step-ms", "0"}, "--step-ms wants 1..3600000"},
      {{"--out", "f", "--seed", "4294967296"}, "--seed wants a whole number 0..4294967295"},
      {{"--png", "a.png", "--at", "-5"}, "--at wants milliseconds 0..2147483647, not '-5'"},
      {{"--png", "a.png", "--at", "2147483648"}, "not '2147483648'"},
      {{"--bench", "--frames", "597", "--step-ms", "3600000"}, "past the saver clock"},
      {{"--out", "f", "--frames", "2147484", "--step-ms", "1000"}, "past the saver clock"},
      // Options of another mode, a knot without --png, a bad style, two jobs, empty names.
      {{"--png", "a.png", "--frames", "3"}, "use --at MS instead of --frames"},
      {{"--knot", "1"}, "--knot needs --png FILE"}, {{"--knot", "x", "--png", "a"}, "stored knot number, not 'x'"},
      {{"--knot", "1", "--png", "a", "--style", "Glossy"}, "Blended, not 'Glossy'"},
      {{"--out", "f", "--style", "Wire"}, "--style applies to a still"}, {{"--out", "f", "--bench"}, "give only one of"},
      {{"--out", "f", "--at", "5"}, "--at applies to --png"},
      {{"--out", "f", "--set", "knotCount"}, "--set wants NAME=VALUE, not 'knotCount'"},
      {{"--out", ""}, "--out wants a folder"}, {{"--bench", "--csv", ""}, "--csv wants a file name"},
      {{"--bench", "--plot"}, "--plot needs a value"}, {{"--out", "d", "--csv", "f.csv"}, kBenchOnly},
      {{"--png", "a.png", "--plot", "f.png"}, kBenchOnly},
      {{"--knot", "3", "--png", "k.png", "--in-place"}, kBenchOnly},
  };
  for (const Row& row : rows) {
    const bool ok = Parse(row.args, o, e);
    ASSERT_EQ(ok, !row.error) << ::testing::PrintToString(row.args) << ": " << e;
    if (ok)
      EXPECT_EQ(std::tuple(o.mode, o.frames, o.atMs, o.style), std::tuple(row.mode, row.frames, row.atMs, row.style))
          << row.args[0];
    else
      EXPECT_TRUE(!e.empty() && e.find(row.error) != std::string::npos) << e;
  }
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

// Style names are the labels in any case; --set changes one field by its name or says why not.
TEST(RenderOptionsTest, StyleAndSettingNames) {
  const std::pair<const char*, std::optional<int32_t>> names[] = {
      {"Wire", 0},   {"point", 1},   {"TRIANGLE", 2}, {"Quad", 3}, {"Half U", 4},       {"halfu", 4},
      {"HalfV", 5},  {"half-v", 5},  {"Smooth", 6},   {"blended", 7}, {"", std::nullopt},
      {"Half", std::nullopt}, {"HalfW", std::nullopt}};
  for (const auto& [name, style] : names) EXPECT_EQ(ParseStyleName(name), style) << name;
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
}

// A PNG keeps the colours and drops alpha; the frame log has one CSV row per frame. Files that
// cannot be written say why.
TEST(OutputFilesTest, PngAndCsvRoundTripAndFailuresSayWhy) {
  Image image(7, 3), back;
  // Alpha below 255 too, as blending leaves it.
  for (size_t i = 0; i < image.rgba.size(); ++i) image.rgba[i] = static_cast<uint8_t>(i * 37 % 251);
  const std::string dir = testing::TempDir() + "tv-" + std::to_string(getpid()), png = dir + ".png", csv = dir + ".csv";
  std::string e;
  ASSERT_TRUE(WritePng(png, image, e)) << e;
  ASSERT_TRUE(ReadPng(png, back, e)) << e;
  ASSERT_EQ(std::tuple(back.width, back.height, back.rgba.size()), std::tuple(7, 3, image.rgba.size()));
  for (size_t i = 0; i < back.rgba.size(); ++i) EXPECT_EQ(back.rgba[i], i % 4 == 3 ? 255 : image.rgba[i]) << i;
  ASSERT_TRUE(WriteFrameCsv(csv, {{1, 10, 34.4721, 0.4384, 26184, 0, 2},
                                  {2, 5000000000ull, 6.5, 0.0, 7, 930, 1}}, e)) << e;
  std::stringstream text;
  text << std::ifstream(csv).rdbuf();
  EXPECT_EQ(text.str(),
            "frame,saver_ms,frame_ms,build_ms,vertices,deferred_cells,knots_replaced\n"
            "1,10,34.472,0.438,26184,0,2\n"
            "2,5000000000,6.500,0.000,7,930,1\n");
  for (const std::string& f : {png, csv}) std::filesystem::remove(f);
  EXPECT_FALSE(WritePng("/nonexistent-folder/x.png", Image(2, 2), e));
  EXPECT_NE(e.find("nonexistent-folder"), std::string::npos);
  EXPECT_FALSE(WriteFrameCsv(dir + "/no/such/folder/f.csv", {}, e));
  EXPECT_NE(e.find("cannot write"), std::string::npos);
  e.clear();
  EXPECT_FALSE(WritePng("/tmp/never.png", Image(), e));
  EXPECT_FALSE(e.empty());
}

// 100 frames on a plot with 100 columns: frame k is drawn in column 48 + k.
TEST(FrameLogTest, PlotShowsSpikesBuildsAndChanges) {
  std::vector<FrameRecord> frames;
  for (int k = 0; k < 100; ++k) frames.push_back({k + 1, 10u * (k + 1), 5.0, 0.0, 0, 0, 0});
  frames[20].knotsReplaced = 1;
  frames[20].buildMs = 4.0;
  frames[60].frameMs = 300.0;  // far beyond the scale: clipped, drawn to the top
  const Image image = PlotFrameTimes(frames, 160, 200);
  const int top = 50, bottom = 200 - 28, blue = 0x466EBE, orange = 0xF08C14, red = 0xD21E1E, paper = 0xFAFAFA;
  const int probes[][3] = {  // column, y, colour
      {20, top - 5, red},        {30, top - 5, paper},  // the change is marked, other frames not
      {20, bottom - 2, orange},  {30, bottom - 2, blue},
      {60, top, blue},           {30, top + 5, paper},  // the spike reaches the top
  };
  for (const auto& [column, y, rgb] : probes) {
    const uint8_t* p = image.At(48 + column, y);
    EXPECT_EQ((p[0] << 16) | (p[1] << 8) | p[2], rgb) << "column " << column << " y " << y;
  }
}

}  // namespace
}  // namespace tv::headless
