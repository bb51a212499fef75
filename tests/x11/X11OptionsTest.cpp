#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

#include "X11Options.h"

namespace tv::x11 {
namespace {

bool Parse(std::vector<const char*> args, X11Options& o, std::string& error) {
  args.insert(args.begin(), "tressvale");
  return ParseX11Options(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(X11Options, TargetsAndDaemonConventions) {
  using enum Target;
  const struct {
    std::vector<const char*> args;
    Target target;
    unsigned long windowId;
    int width, height;
    long delayUs;
    bool fps;
  } cases[] = {
      {{}, OwnWindow, 0, 1280, 720, 10000, false},
      {{"-root", "-fps"}, Root, 0, 1280, 720, 10000, true},
      // The settings program's preview: the window id wins over -root.
      {{"--root", "--window-id", "0x400EE5"}, ForeignWindow, 0x400EE5, 1280, 720, 10000, false},
      {{"-window-id", "12", "-root", "-delay", "33000"}, ForeignWindow, 12, 1280, 720, 33000, 0},
      {{"--fullscreen", "-window"}, FullScreen, 0, 1280, 720, 10000, false},
      {{"-window", "-geometry", "320x200+10+20"}, OwnWindow, 0, 320, 200, 10000, false},
  };
  for (const auto& c : cases) {
    X11Options o;
    std::string error;
    ASSERT_TRUE(Parse(c.args, o, error)) << error;
    EXPECT_EQ(o.target, c.target);
    EXPECT_EQ(o.windowId, c.windowId);
    EXPECT_EQ(o.width * 10000 + o.height, c.width * 10000 + c.height);
    EXPECT_EQ(o.delayUs, c.delayUs);
    EXPECT_EQ(o.showFps, c.fps);
  }
}

TEST(X11Options, BadInputIsRefusedWithAReason) {
  const std::vector<std::vector<const char*>> bad = {
      {"--window-id"},          {"--window-id", "0"},       {"--window-id", "xyz"},
      {"--root", "--fullscreen"}, {"-geometry", "0x10"},    {"-geometry", "+5+5"},
      {"-delay", "-1"},         {"--seed", "4294967296"},   {"--frames", "0"},
      {"--snapshot", "a.png"},  {"--bogus"},                {"-knots", "two"},
      {"-u-min", "nan"},        {"-wire"},                  {"root"},
  };
  for (const auto& args : bad) {
    X11Options o;
    std::string error;
    EXPECT_FALSE(Parse(args, o, error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

// Values are brought within the dialog's ranges with a warning, then repaired as its OK does:
// maxima raised to their minima, no style weight at all gives Smooth one.
TEST(X11Options, SettingsAreBroughtWithinTheDialogsRanges) {
  const struct {
    std::vector<const char*> args;
    size_t warnings;
    std::string field;
    double expected;
  } cases[] = {
      {{"-knots", "50"}, 1, "knots", 20},
      {{"-knots", "0"}, 1, "knots", 1},
      {{"--u-min", "0"}, 1, "u-min", 0.1},
      {{"-u-max", "2.34"}, 0, "u-max", 23 * 0.1},  // as the dialog: position x 0.1
      {{"-v-max", "51", "-v-min", "-5"}, 2, "v-max", 50},
      {{"-x-min", "200", "-x-max", "20"}, 0, "x-max", 200},
      {{"-wire", "0", "-point", "0", "-triangle", "0", "-quad", "0", "-half-u", "0", "-half-v", "0",
        "-smooth", "0", "-blended", "0"}, 0, "smooth", 1},
  };
  for (const auto& c : cases) {
    X11Options o;
    std::string error;
    ASSERT_TRUE(Parse(c.args, o, error)) << c.args[0];
    EXPECT_EQ(o.warnings.size(), c.warnings) << c.args[0];
    SaverSettings record = DefaultSettings();
    ApplySettingOptions(o, record);
    for (const SettingOption& option : kSettingOptions) {
      EXPECT_TRUE(c.field != option.name || SettingValue(record, option) == c.expected)
          << c.args[0];
    }
  }
}

// The daemon's settings program passes what the description file names: every option must be
// accepted at both ends of its slider, and its default must be the record's.
TEST(X11Options, DescriptionFileMatchesTheOptions) {
  if (std::system("command -v xmllint >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("xmllint --noout " + std::string(TRESSVALE_XML)).c_str()), 0);
  }
  std::stringstream text;
  text << std::ifstream(TRESSVALE_XML).rdbuf();
  const std::string xml = text.str();
  const std::regex number(
      R"re(<number[^>]*arg="-([a-z-]+) %"[^>]*low="([^"]+)" high="([^"]+)" default="([^"]+)")re");
  int settings = 0;
  for (auto m = std::sregex_iterator(xml.begin(), xml.end(), number); m != std::sregex_iterator();
       ++m) {
    const std::string name = "-" + (*m)[1].str();
    for (int i : {2, 3, 4}) {
      const std::string value = (*m)[i].str();
      X11Options o;
      std::string error;
      ASSERT_TRUE(Parse({name.c_str(), value.c_str()}, o, error)) << name << " " << value;
      EXPECT_TRUE(o.warnings.empty()) << name << " " << value;
      if (i == 4 && !o.settings.empty()) {
        ++settings;
        EXPECT_EQ(SettingValue(DefaultSettings(), *o.settings[0].first), std::stod(value)) << name;
      }
      EXPECT_TRUE(i != 4 || name != "-delay" || o.delayUs == X11Options().delayUs);
    }
  }
  EXPECT_EQ(settings, 22);
}

}  // namespace
}  // namespace tv::x11
