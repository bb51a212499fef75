// The saver under the real Linux screen-saver daemon (Debian's xscreensaver) on Xvfb, run by a
// throw-away user as the daemon refuses to start savers as root.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "XSupport.h"

namespace tv::x11test {
namespace {

struct ThrowawayUser {
  const std::string name = "tvtest" + std::to_string(getpid()), home = "/home/" + name;
  const bool made = std::system(("useradd -m -s /bin/sh " + name + " >/dev/null").c_str()) == 0;
  ~ThrowawayUser() {
    if (made) std::system(("userdel -r -f " + name + " >/dev/null 2>&1").c_str());
  }
  std::vector<std::string> As(std::vector<std::string> argv, const XServer& server) const {
    argv.insert(argv.begin(), {"runuser", "-u", name, "--", "env", "-i", "HOME=" + home,
                               "PATH=/usr/bin:/bin", "DISPLAY=" + server.name()});
    return argv;
  }
  // The user's saver process, if one runs (a zombie counts as gone).
  pid_t Saver() const {
    FILE* list = popen(("pgrep -u " + name + " -x tressvale").c_str(), "r");
    long pid = 0;
    if (std::fscanf(list, "%ld", &pid) != 1) pid = 0;
    pclose(list);
    std::string word, state;
    std::ifstream("/proc/" + std::to_string(pid) + "/stat") >> word >> word >> state;
    return pid && state != "Z" ? static_cast<pid_t>(pid) : 0;
  }
};

// Share of pixels with a clear hue: lit and coloured, not grey.
double ColouredShare(const headless::Image& image) {
  long coloured = 0;
  for (size_t i = 0; i < image.rgba.size(); i += 4) {
    const int hi = std::max({image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]});
    const int lo = std::min({image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]});
    coloured += hi > 60 && hi - lo > 40;
  }
  return image.width ? static_cast<double>(coloured) / (image.width * image.height) : 0;
}

TEST(Daemon, RunsTheSaverInItsWindowAndStopsIt) {
  if (geteuid() != 0 || std::system("command -v xscreensaver Xvfb >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "needs root (to make a user), xscreensaver and Xvfb";
  }
  ThrowawayUser user;
  ASSERT_TRUE(user.made);
  std::filesystem::copy_file(TRESSVALE_X11_BINARY, user.home + "/tressvale");
  std::ofstream(user.home + "/.xscreensaver")
      << "mode: one\nselected: 0\nlock: False\nfade: False\nunfade: False\nsplash: False\n"
         "programs: \"Tressvale\" " << user.home << "/tressvale --root \\n\n";
  ASSERT_EQ(std::system(("chown -R " + user.name + " " + user.home).c_str()), 0);

  XServer server;
  Process daemon(user.As({"xscreensaver", "--no-splash"}, server), {});
  SleepSeconds(2);
  auto command = [&](const char* what) {
    return Process(user.As({"xscreensaver-command", what}, server), {}).Wait(10);
  };
  ASSERT_EQ(command("-activate"), 0) << daemon.Errors();
  SleepSeconds(3);
  ASSERT_NE(user.Saver(), 0) << "the daemon did not start the saver\n" << daemon.Errors();
  const headless::Image shot = Grab(server.display(), DefaultRootWindow(server.display()));
  std::string error;
  if (const char* keep = std::getenv("TRESSVALE_SHOTS")) {
    headless::WritePng(std::string(keep) + "/daemon.png", shot, error);
  }
  EXPECT_GT(ColouredShare(shot), 0.01);

  ASSERT_EQ(command("-deactivate"), 0);
  SleepSeconds(1);
  EXPECT_EQ(user.Saver(), 0) << "still running a second after the daemon stopped it";
  EXPECT_LT(LitShare(Grab(server.display(), DefaultRootWindow(server.display()))), 0.001);
  kill(-daemon.pid(), SIGTERM);
  daemon.Wait(5);
}

}  // namespace
}  // namespace tv::x11test
