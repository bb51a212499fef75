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

class ThrowawayUser {
 public:
  ThrowawayUser() : name_("tvtest" + std::to_string(getpid())) {
    ok_ = std::system(("useradd -m -s /bin/sh " + name_ + " >/dev/null 2>&1").c_str()) == 0;
  }
  ~ThrowawayUser() {
    if (ok_) std::system(("userdel -r -f " + name_ + " >/dev/null 2>&1").c_str());
  }
  bool ok() const { return ok_; }
  const std::string& name() const { return name_; }
  std::string home() const { return "/home/" + name_; }
  std::vector<std::string> As(std::vector<std::string> argv, const XServer& server) const {
    argv.insert(argv.begin(), {"runuser", "-u", name_, "--", "env", "-i", "HOME=" + home(),
                               "PATH=/usr/bin:/bin", "DISPLAY=" + server.name()});
    return argv;
  }

 private:
  std::string name_;
  bool ok_ = false;
};

// The user's saver process, if one runs (a zombie counts as gone).
pid_t SaverOf(const ThrowawayUser& user) {
  FILE* list = popen(("pgrep -u " + user.name() + " -x tressvale").c_str(), "r");
  long pid = 0;
  if (list && std::fscanf(list, "%ld", &pid) != 1) pid = 0;
  if (list) pclose(list);
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string word, state;
  stat >> word >> word >> state;
  return pid && state != "Z" ? static_cast<pid_t>(pid) : 0;
}

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
  ASSERT_TRUE(user.ok());
  const std::string saver = user.home() + "/tressvale";
  std::filesystem::copy_file(TRESSVALE_X11_BINARY, saver);
  {
    std::ofstream config(user.home() + "/.xscreensaver");
    config << "mode: one\nselected: 0\ntimeout: 0:30:00\nlock: False\nfade: False\n"
              "unfade: False\nsplash: False\ndpmsEnabled: False\n"
              "programs: \"Tressvale\" " << saver << " --root \\n\n";
  }
  ASSERT_EQ(std::system(("chown -R " + user.name() + " " + user.home()).c_str()), 0);

  XServer server;
  ASSERT_TRUE(server.display());
  Process daemon(user.As({"xscreensaver", "--no-splash"}, server));
  SleepSeconds(2);
  auto command = [&](const char* what) {
    Process c(user.As({"xscreensaver-command", what}, server));
    return c.Wait(10);
  };
  ASSERT_EQ(command("-activate"), 0) << daemon.Errors();
  SleepSeconds(3);
  const pid_t pid = SaverOf(user);
  ASSERT_NE(pid, 0) << "the daemon did not start the saver\n" << daemon.Errors();
  const headless::Image shot = Grab(server.display(), DefaultRootWindow(server.display()));
  if (const char* keep = std::getenv("TRESSVALE_SHOTS")) {
    std::string error;
    headless::WritePng(std::string(keep) + "/daemon.png", shot, error);
  }
  EXPECT_GT(ColouredShare(shot), 0.01);

  ASSERT_EQ(command("-deactivate"), 0);
  SleepSeconds(1);
  EXPECT_EQ(SaverOf(user), 0) << "still running a second after the daemon stopped it";
  EXPECT_LT(LitShare(Grab(server.display(), DefaultRootWindow(server.display()))), 0.001);
  kill(-daemon.pid(), SIGTERM);
  daemon.Wait(5);
}

}  // namespace
}  // namespace tv::x11test
