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
  struct Case {
    std::vector<const char*> args;
    Target target;
    unsigned long windowId;
    int width, height;
    long delayUs;
    bool fps;
  };
  const Case cases[] = {
      {{}, Target::OwnWindow, 0, 1280, 720, 10000, false},
      {{"-root", "-fps"}, Target::Root, 0, 1280, 720, 10000, true},
      // The settings program's preview: the window id wins over -root.
      {{"--root", "--window-id", "0x400EE5"}, Target::ForeignWindow, 0x400EE5, 1280, 720, 10000, false},
      {{"-window-id", "12", "-root", "-delay", "33000"}, Target::ForeignWindow, 12, 1280, 720, 33000, false},
      {{"--fullscreen", "-window"}, Target::FullScreen, 0, 1280, 720, 10000, false},
      {{"-window", "-geometry", "320x200+10+20"}, Target::OwnWindow, 0, 320, 200, 10000, false},
  };
  for (const Case& c : cases) {
    X11Options o;
    std::string error;
    ASSERT_TRUE(Parse(c.args, o, error)) << error;
    EXPECT_EQ(o.target, c.target);
    EXPECT_EQ(o.windowId, c.windowId);
    EXPECT_EQ(o.width, c.width);
    EXPECT_EQ(o.height, c.height);
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

TEST(X11Options, OutOfRangeSettingsAreBroughtWithinWithAWarning) {
  struct Case {
    const char* name;
    const char* value;
    double expected;
    bool warned;
  };
  const Case cases[] = {
      {"-knots", "50", 20, true},  {"-knots", "0", 1, true},      {"--u-min", "0", 0.1, true},
      {"-u-max", "2.34", 2.3, false}, {"-v-max", "51", 50, true}, {"-x-min", "-3", 0, true},
  };
  for (const Case& c : cases) {
    X11Options o;
    std::string error;
    ASSERT_TRUE(Parse({c.name, c.value}, o, error)) << c.name;
    EXPECT_EQ(o.warnings.size(), c.warned ? 1u : 0u) << c.name;
    SaverSettings record = DefaultSettings();
    ApplySettingOptions(o, record);
    EXPECT_DOUBLE_EQ(SettingValue(record, *o.settings.at(0).first), c.expected) << c.name;
  }
}

TEST(X11Options, SettingsAreRepairedAsTheDialogsOk) {
  X11Options o;
  std::string error;
  ASSERT_TRUE(Parse({"-u-min", "5", "-u-max", "2", "-x-min", "200", "-wire", "0", "-point", "0",
                     "-triangle", "0", "-quad", "0", "-half-u", "0", "-half-v", "0", "-smooth",
                     "0", "-blended", "0"},
                    o, error));
  SaverSettings record = DefaultSettings();
  ApplySettingOptions(o, record);
  EXPECT_EQ(record.uMax, 5.0);
  EXPECT_EQ(record.spinXMax, 200);
  EXPECT_EQ(record.styleWeight[6], 1);
}

// The daemon's settings program passes what the description file names: every option must be
// accepted at both ends of its slider, and its default must be the record's.
TEST(X11Options, DescriptionFileMatchesTheOptions) {
  if (std::system("command -v xmllint >/dev/null 2>&1") == 0) {
    EXPECT_EQ(std::system(("xmllint --noout " + std::string(TRESSVALE_XML)).c_str()), 0);
  }
  std::ifstream file(TRESSVALE_XML);
  std::stringstream text;
  text << file.rdbuf();
  const std::string xml = text.str();
  const std::regex number(R"re(<number[^>]*arg="-([a-z-]+) %"[^>]*low="([^"]+)" high="([^"]+)" default="([^"]+)")re");
  int settings = 0;
  for (auto m = std::sregex_iterator(xml.begin(), xml.end(), number); m != std::sregex_iterator(); ++m) {
    const std::string name = "-" + (*m)[1].str();
    for (int i : {2, 3, 4}) {
      const std::string value = (*m)[i].str();
      X11Options o;
      std::string error;
      ASSERT_TRUE(Parse({name.c_str(), value.c_str()}, o, error)) << name << " " << value << ": " << error;
      EXPECT_TRUE(o.warnings.empty()) << name << " " << value;
      if (i == 4 && !o.settings.empty()) {
        ++settings;
        EXPECT_DOUBLE_EQ(SettingValue(DefaultSettings(), *o.settings[0].first), std::stod(value)) << name;
      }
      if (i == 4 && name == "-delay") EXPECT_EQ(o.delayUs, X11Options().delayUs);
    }
  }
  EXPECT_EQ(settings, 22);
}

}  // namespace
}  // namespace tv::x11
