// The per-user file store behind Registry on POSIX systems, and settings persistence through it.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>

#include "settings/Registry.h"
#include "settings/SaverSettings.h"
#include "support/CheckCapture.h"

namespace fs = std::filesystem;

namespace tv {
namespace {

// The store sits one folder below a folder of this test's own, so a value that climbed out of the
// store would land there and not in the shared temporary folder.
class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all(top_);
    fs::create_directories(top_ / "config");
    setenv("XDG_CONFIG_HOME", (top_ / "config").c_str(), 1);
    ResetSettings(saverSettings);
  }
  void TearDown() override { saverSettings = saved_, fs::remove_all(top_); }
  const fs::path top_ = fs::temp_directory_path() / ("tressvale-store-" + std::to_string(getpid()) + "-" +
                                                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
  const fs::path value_ = top_ / "config" / "Pervik" / "Tressvale" / "data1";
  const SaverSettings saved_ = saverSettings;
};

// Whatever bytes a hand edit leaves, the repaired record is usable by every reader.
bool Usable(const SaverSettings& r) {
  bool weights = true;
  for (int32_t w : r.styleWeight) weights = weights && w >= 0 && w <= 20;
  return weights && r.knotCount >= 0 && r.knotCount <= 20 && r.spinXMin >= 0 && r.spinXMin <= r.spinXMax &&
         r.spinYMin >= 0 && r.spinYMin <= r.spinYMax && r.spinXMax <= 300 && r.spinYMax <= 300 && r.uMin >= 0.1 &&
         r.uMin <= r.uMax && r.uMax <= 10.0 && r.vMin >= 3 && r.vMin <= r.vMax && r.vMax <= 50;
}

// A saved record loads back bit for bit, even after a write that failed half-way. A stored value
// of up to 96 bytes replaces the start of the record, which is then repaired; a longer one, a
// folder in its place or no value at all leaves the defaults.
TEST_F(StoreTest, RecordsSaveAndLoadWhateverTheStoredBytes) {
  uint32_t size = 123;
  EXPECT_FALSE(Registry().Exists(kSettingsKey, kSettingsValue, size));
  EXPECT_EQ(size, 0u);
  LoadSettings();
  EXPECT_EQ(SettingsToBytes(saverSettings), SettingsToBytes(DefaultSettings()));

  saverSettings.knotCount = 5, saverSettings.uMin = 0.30000000000000004;  // position 3 of the dialog
  saverSettings.uMax = 8.0;  // beyond byte 80: must not arrive from an 80-byte value
  ASSERT_TRUE(SaveSettings());
  EXPECT_EQ(fs::file_size(value_), 96u);
  const auto image = SettingsToBytes(saverSettings);
  // A disk that fills up mid-write: a file size limit below the record's size.
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  const struct rlimit tiny = {40, old.rlim_max};
  auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &tiny);
  saverSettings.knotCount = 9;
  const bool saved = SaveSettings();
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(std::distance(fs::directory_iterator(value_.parent_path()), {}), 1);  // no temporary left
  ResetSettings(saverSettings);
  LoadSettings();
  EXPECT_EQ(SettingsToBytes(saverSettings), image);

  std::mt19937 rng(7);
  for (int length = 0; length <= 200; ++length) {
    // 80 bytes of the saved record; random bytes at every other length.
    std::vector<char> bytes(static_cast<size_t>(length));
    for (int i = 0; i < length; ++i) bytes[i] = static_cast<char>(length == 80 ? image[i] : rng());
    std::ofstream(value_, std::ios::binary).write(bytes.data(), length);
    ResetSettings(saverSettings);
    LoadSettings();
    if (length > 96 || length == 0) {
      ASSERT_EQ(SettingsToBytes(saverSettings), SettingsToBytes(DefaultSettings())) << length;
    }
    ASSERT_TRUE(Usable(saverSettings)) << length;
    EXPECT_TRUE(length != 80 || (saverSettings.knotCount == 5 && saverSettings.uMax == 3.0));
  }
  fs::remove(value_);
  fs::create_directories(value_);
  LoadSettings();
  EXPECT_EQ(saverSettings.knotCount, DefaultSettings().knotCount);
}

TEST_F(StoreTest, RegistryOperations) {
  Registry registry;
  const char* key = "Pervik\\Other";
  // A Dword is always four bytes; a kind the store does not know is reported as "0" in Registry
  // and then stored as a string, its bytes as given.
  const struct { RegistryValueKind kind; uint32_t size, stored, reports; } kinds[] = {
      {RegistryValueKind::Dword, 99, 4, 0}, {RegistryValueKind::String, 5, 5, 0},
      {static_cast<RegistryValueKind>(7), 6, 6, 1}, {RegistryValueKind::Bytes, 3, 3, 0}};
  const uint8_t data[8] = {4, 3, 2, 1, 8, 7, 6, 5};
  for (const auto& row : kinds) {
    test::CheckCapture capture;
    uint32_t size = 0;
    ASSERT_TRUE(registry.Write(key, "value", data, row.size, row.kind));
    EXPECT_TRUE(registry.Exists(key, "value", size) && size == row.stored) << size;
    ASSERT_EQ(capture.failures().size(), row.reports);
    for (const auto& f : capture.failures()) EXPECT_TRUE(f.expression == "0" && f.module == Module::Registry);
  }
  uint8_t out[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_TRUE(registry.Read(key, "value", nullptr, 0, out, 8));
  EXPECT_EQ(std::vector<uint8_t>(out, out + 4), (std::vector<uint8_t>{4, 3, 2, 9}));  // rest untouched
  // Too long for the buffer, or absent: false, and the fallback where one is given.
  const uint8_t fallback[2] = {1, 2};
  uint8_t small[2] = {0, 0};
  EXPECT_FALSE(registry.Read(key, "value", fallback, 2, small, 2));
  EXPECT_EQ(small[1], 2);
  EXPECT_FALSE(registry.Read(key, "absent", nullptr, 0, small, 2));
  // Keys and names cannot climb out of the store.
  for (const auto& [subkey, name] : {std::pair("..\\escape", "x"), {"Pervik\\Tressvale", "../x"},
                                     {"Pervik\\\\Tressvale", "x"}})
    EXPECT_FALSE(registry.Write(subkey, name, data, 4, RegistryValueKind::Bytes)) << subkey << name;
  EXPECT_FALSE(fs::exists(top_ / "escape"));
}

}  // namespace
}  // namespace tv
