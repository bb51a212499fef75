// The X11 saver against a real X server (Xvfb): it draws knots in its own window and on the
// root window, and refuses what it cannot use.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "PngWriter.h"

namespace {

class XServer {
 public:
  XServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten",
             "tcp", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // Xvfb writes the display number and a newline once it accepts clients.
    std::string number;
    char c;
    while (number.size() < 12 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~XServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  const std::string& display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

int RunSaver(const std::string& display, const std::string& args) {
  const std::string command = "DISPLAY=" + display + " XDG_CONFIG_HOME=/nonexistent " +
                              TRESSVALE_X11_BINARY + " " + args + " 2>/dev/null";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Share of pixels that are not black.
double LitShare(const std::string& path) {
  tv::headless::Image image;
  std::string error;
  if (!tv::headless::ReadPng(path, image, error)) return -1;
  long lit = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const uint8_t* p = image.At(x, y);
      lit += (p[0] | p[1] | p[2]) > 24;
    }
  }
  return static_cast<double>(lit) / (image.width * image.height);
}

class X11SaverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v Xvfb >/dev/null 2>&1") != 0) GTEST_SKIP() << "no Xvfb";
    ASSERT_FALSE(server_.display().empty()) << "Xvfb did not start";
    snapshot_ = (std::filesystem::temp_directory_path() /
                 ("tressvale-x11-" + std::to_string(getpid()) + ".png")).string();
  }
  void TearDown() override { std::filesystem::remove(snapshot_); }
  XServer server_;
  std::string snapshot_;
};

TEST_F(X11SaverTest, DrawsKnotsInItsOwnWindowAndOnTheRoot) {
  // Four seconds of scene time: the first knots have flown well into the view.
  ASSERT_EQ(RunSaver(server_.display(),
                     "--size 320x240 --seed 3 --frames 400 --snapshot " + snapshot_), 0);
  EXPECT_GT(LitShare(snapshot_), 0.01);
  ASSERT_EQ(RunSaver(server_.display(), "--root --seed 3 --frames 400 --snapshot " + snapshot_), 0);
  EXPECT_GT(LitShare(snapshot_), 0.01);
}

TEST_F(X11SaverTest, RefusesWhatItCannotUse) {
  EXPECT_EQ(RunSaver(server_.display(), "--window-id 0x7777777 --frames 3"), 1);
  EXPECT_EQ(RunSaver(":9999", "--frames 3"), 1);
  EXPECT_EQ(RunSaver(server_.display(), "--frames"), 2);
}

}  // namespace
