#include <gtest/gtest.h>

#include <vector>

#include "X11Options.h"

namespace tv::x11 {
namespace {

bool Parse(std::vector<const char*> args, X11Options& o, std::string& error) {
  args.insert(args.begin(), "tressvale");
  return ParseX11Options(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(X11Options, Targets) {
  X11Options o;
  std::string error;
  ASSERT_TRUE(Parse({}, o, error));
  EXPECT_EQ(o.target, Target::OwnWindow);
  EXPECT_EQ(o.width, 1280);

  o = {};
  ASSERT_TRUE(Parse({"-root"}, o, error));
  EXPECT_EQ(o.target, Target::Root);
  o = {};
  ASSERT_TRUE(Parse({"--window-id", "0x2a00007", "--seed", "9"}, o, error));
  EXPECT_EQ(o.target, Target::ForeignWindow);
  EXPECT_EQ(o.windowId, 0x2a00007ul);
  EXPECT_EQ(o.seed, 9u);
  o = {};
  ASSERT_TRUE(Parse({"--size", "320x200", "--frames", "5", "--snapshot", "a.png"}, o, error));
  EXPECT_EQ(o.width, 320);
  EXPECT_EQ(o.height, 200);
  EXPECT_EQ(o.frames, 5);
}

TEST(X11Options, BadInputIsRefusedWithAReason) {
  const std::vector<std::vector<const char*>> bad = {
      {"--window-id"},          {"--window-id", "0"},        {"--window-id", "xyz"},
      {"--root", "--fullscreen"}, {"--size", "0x10"},        {"--size", "10"},
      {"--size", "-5x10"},      {"--seed", "-1"},            {"--seed", "4294967296"},
      {"--frames", "0"},        {"--snapshot", "a.png"},     {"--bogus"},
      {"--frames"},
  };
  for (const auto& args : bad) {
    X11Options o;
    std::string error;
    EXPECT_FALSE(Parse(args, o, error)) << args[0];
    EXPECT_FALSE(error.empty()) << args[0];
  }
}

}  // namespace
}  // namespace tv::x11
