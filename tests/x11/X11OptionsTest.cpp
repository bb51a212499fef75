// The saver's options: targets and the daemon's conventions, refusals, the dialog's ranges, and the
// description file the daemon's settings program reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <vector>

#include "X11Options.h"

namespace tv::x11 {
namespace {

// Parses a command line given as one string of words.
bool Parse(const std::string& line, X11Options& o, std::string& error) {
  std::istringstream in("tressvale " + line);
  const std::vector<std::string> words{std::istream_iterator<std::string>(in), {}};
  std::vector<const char*> argv;
  for (const std::string& w : words) argv.push_back(w.c_str());
  return ParseX11Options(static_cast<int>(argv.size()), argv.data(), o, error);
}

// Where and how the saver would run, in one line; "refused" when refused with a reason.
std::string Outcome(const std::string& args) {
  X11Options o;
  std::string error;
  if (!Parse(args, o, error)) return error.empty() ? "refused without a reason" : "refused";
  const char* targets[] = {"own", "full", "root", "window"};
  std::ostringstream line;
  line << targets[static_cast<int>(o.target)] << " " << std::hex << o.windowId << std::dec << " "
       << o.width << "x" << o.height << " " << o.delayUs << (o.showFps ? " fps" : "");
  return line.str();
}

TEST(X11Options, TargetsDaemonConventionsAndRefusals) {
  const struct {
    const char *args, *outcome;
  } cases[] = {
      {"", "own 0 1280x720 10000"},
      {"-root -fps", "root 0 1280x720 10000 fps"},
      // The settings program's preview: the window id wins over -root.
      {"--root --window-id 0x400EE5", "window 400ee5 1280x720 10000"},
      {"-window-id 12 -root -delay 33000", "window c 1280x720 33000"},
      {"--fullscreen -window", "full 0 1280x720 10000"},
      {"-window -geometry 320x200+10+20", "own 0 320x200 10000"},
  };
  for (const auto& c : cases) EXPECT_EQ(Outcome(c.args), c.outcome) << c.args;
  for (const char* args :
       {"--window-id", "--window-id 0", "--window-id xyz", "--root --fullscreen", "-geometry 0x10",
        "-geometry +5+5", "-delay -1", "--seed 4294967296", "--frames 0", "--snapshot a.png",
        "--bogus", "-knots two", "-u-min nan", "-wire", "root"}) {
    EXPECT_EQ(Outcome(args), "refused") << args;
  }
}

// Values are brought within the dialog's ranges with a warning, then repaired as its OK does:
// maxima raised to their minima, no style weight at all gives Smooth one.
TEST(X11Options, SettingsAreBroughtWithinTheDialogsRanges) {
  const struct {
    const char* args;
    size_t warnings;
    std::string field;
    double expected;
  } cases[] = {
      {"-knots 50", 1, "knots", 20},
      {"-knots 0", 1, "knots", 1},
      {"--u-min 0", 1, "u-min", 0.1},
      {"-u-max 2.34", 0, "u-max", 23 * 0.1},  // as the dialog: position x 0.1
      {"-v-max 51 -v-min -5", 2, "v-max", 50},
      {"-x-min 200 -x-max 20", 0, "x-max", 200},
      {"-wire 0 -point 0 -triangle 0 -quad 0 -half-u 0 -half-v 0 -smooth 0 -blended 0", 0, "smooth",
       1},
  };
  for (const auto& c : cases) {
    X11Options o;
    std::string error;
    ASSERT_TRUE(Parse(c.args, o, error)) << c.args;
    EXPECT_EQ(o.warnings.size(), c.warnings) << c.args;
    SaverSettings record = DefaultSettings();
    ApplySettingOptions(o, record);
    const auto* option = std::find_if(std::begin(kSettingOptions), std::end(kSettingOptions),
                                      [&](const SettingOption& s) { return c.field == s.name; });
    ASSERT_NE(option, std::end(kSettingOptions)) << c.field;
    EXPECT_EQ(SettingValue(record, *option), c.expected) << c.args;
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
      ASSERT_TRUE(Parse(name + " " + value, o, error)) << name << " " << value;
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
