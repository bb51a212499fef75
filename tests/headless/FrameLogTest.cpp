// The frame-time instrument of --bench: its options, the CSV rows and what the plot shows where.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "FrameLog.h"
#include "RenderOptions.h"

namespace tv::headless {
namespace {

TEST(FrameLogTest, OptionsApplyToBenchOnly) {
  struct Row {
    std::vector<const char*> args;
    const char* error;  // empty: accepted
  } const rows[] = {
      {{"--bench", "--csv", "f.csv", "--plot", "f.png"}, ""},
      {{"--out", "d", "--csv", "f.csv"}, "--csv, --plot and --in-place apply to --bench"},
      {{"--png", "a.png", "--plot", "f.png"}, "--csv, --plot and --in-place apply to --bench"},
      {{"--knot", "3", "--png", "k.png", "--in-place"}, "--csv, --plot and --in-place apply to --bench"},
      {{"--bench", "--csv", ""}, "--csv wants a file name"},
      {{"--bench", "--plot"}, "--plot needs a value"},
  };
  for (const Row& row : rows) {
    std::vector<const char*> argv = {"tressvale-render"};
    argv.insert(argv.end(), row.args.begin(), row.args.end());
    RenderOptions o;
    std::string error;
    const bool ok = ParseRenderOptions(static_cast<int>(argv.size()), argv.data(), o, error);
    EXPECT_EQ(ok, *row.error == 0) << row.args.back();
    EXPECT_EQ(error, row.error);
    if (ok) EXPECT_EQ(o.csvFile + " " + o.plotFile, "f.csv f.png");
  }
}

TEST(FrameLogTest, CsvHasOneRowPerFrame) {
  const std::string path = testing::TempDir() + "frames.csv";
  std::string error;
  ASSERT_TRUE(WriteFrameCsv(path, {{1, 10, 34.4721, 0.4384, 26184, 0, 2},
                                   {2, 5000000000ull, 6.5, 0.0, 7, 930, 1}}, error)) << error;
  std::stringstream text;
  text << std::ifstream(path).rdbuf();
  EXPECT_EQ(text.str(),
            "frame,saver_ms,frame_ms,build_ms,vertices,deferred_cells,knots_replaced\n"
            "1,10,34.472,0.438,26184,0,2\n"
            "2,5000000000,6.500,0.000,7,930,1\n");
  EXPECT_FALSE(WriteFrameCsv(testing::TempDir() + "no/such/folder/f.csv", {}, error));
  EXPECT_NE(error.find("cannot write"), std::string::npos);
}

// 100 frames on a plot with 100 columns: frame k is drawn in column 48 + k.
TEST(FrameLogTest, PlotShowsSpikesBuildsAndChanges) {
  std::vector<FrameRecord> frames;
  for (int k = 0; k < 100; ++k) frames.push_back({k + 1, 10u * (k + 1), 5.0, 0.0, 0, 0, 0});
  frames[20].knotsReplaced = 1;
  frames[20].buildMs = 4.0;
  frames[60].frameMs = 300.0;  // far beyond the scale: clipped, drawn to the top
  const Image image = PlotFrameTimes(frames, 160, 200);
  const int top = 50, bottom = 200 - 28;
  auto colour = [&](int column, int y) {
    const uint8_t* p = image.At(48 + column, y);
    return (p[0] << 16) | (p[1] << 8) | p[2];
  };
  const int blue = 0x466EBE, orange = 0xF08C14, red = 0xD21E1E, paper = 0xFAFAFA;
  struct Probe {
    int column, y, rgb;
  } const probes[] = {
      {20, top - 5, red},        {30, top - 5, paper},  // the change is marked, other frames not
      {20, bottom - 2, orange},  {30, bottom - 2, blue},
      {60, top, blue},           {30, top + 5, paper},  // the spike reaches the top
  };
  for (const Probe& p : probes)
    EXPECT_EQ(colour(p.column, p.y), p.rgb) << "column " << p.column << " y " << p.y;
}

}  // namespace
}  // namespace tv::headless
