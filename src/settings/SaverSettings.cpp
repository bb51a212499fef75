#include "settings/SaverSettings.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "settings/Registry.h"

namespace tv {

static_assert(std::endian::native == std::endian::little,
              "the record's memory image is its little-endian stored format");

SaverSettings DefaultSettings() {
  SaverSettings r;
  ResetSettings(r);
  return r;
}

SaverSettings saverSettings = DefaultSettings();

void ResetSettings(SaverSettings& r) {
  std::memset(&r, 0, sizeof r);
  r.knotCount = 2;
  r.spinXMin = 60;
  r.spinYMin = 150;
  r.spinXMax = 90;
  r.spinYMax = 200;
  const int32_t weights[8] = {2, 1, 3, 3, 4, 4, 5, 1};
  std::copy(std::begin(weights), std::end(weights), r.styleWeight);
  r.wobblePercent = 30;
  r.sColoredPercent = 40;
  r.blendedPercent = 20;
  r.alphaPercent = 30;
  r.wirePercent = 40;
  r.uMin = 1.0;
  r.uMax = 3.0;
  r.vMin = 3;
  r.vMax = 10;
}

std::array<uint8_t, kSettingsSize> SettingsToBytes(const SaverSettings& record) {
  std::array<uint8_t, kSettingsSize> bytes;
  std::memcpy(bytes.data(), &record, kSettingsSize);
  return bytes;
}

void OverlaySettingsBytes(SaverSettings& record, const uint8_t* bytes, int size) {
  // An empty value may come without a buffer; memcpy must not see a null pointer even for 0 bytes.
  if (size <= 0 || !bytes) return;
  std::memcpy(&record, bytes, static_cast<size_t>(std::min(size, kSettingsSize)));
}

namespace {

bool ClampInt(int32_t& value, int32_t lo, int32_t hi) {
  const int32_t clamped = std::clamp(value, lo, hi);
  if (clamped == value) return false;
  value = clamped;
  return true;
}

bool ClampRings(double& value, double fallback) {
  if (!std::isfinite(value)) {
    value = fallback;
    return true;
  }
  const double clamped = std::clamp(value, 0.1, 10.0);
  if (clamped == value) return false;
  value = clamped;
  return true;
}

template <typename T>
bool RaiseToMin(T& max, T min) {
  if (!(max < min)) return false;
  max = min;
  return true;
}

}  // namespace

bool RepairSettings(SaverSettings& r) {
  const SaverSettings defaults = DefaultSettings();
  bool changed = false;
  changed |= ClampInt(r.knotCount, 0, 20);  // 0 is a valid, empty scene
  changed |= ClampInt(r.spinXMin, 0, 300);
  changed |= ClampInt(r.spinYMin, 0, 300);
  changed |= ClampInt(r.spinXMax, 0, 300);
  changed |= ClampInt(r.spinYMax, 0, 300);
  for (int32_t& w : r.styleWeight) changed |= ClampInt(w, 0, 20);
  for (int32_t* p : {&r.wobblePercent, &r.sColoredPercent, &r.blendedPercent, &r.alphaPercent,
                     &r.wirePercent}) {
    changed |= ClampInt(*p, 0, 100);
  }
  changed |= ClampRings(r.uMin, defaults.uMin);
  changed |= ClampRings(r.uMax, defaults.uMax);
  changed |= ClampInt(r.vMin, 3, 50);
  changed |= ClampInt(r.vMax, 3, 50);
  // As the dialog does: a maximum below its minimum is raised, never the reverse.
  changed |= RaiseToMin(r.uMax, r.uMin);
  changed |= RaiseToMin(r.vMax, r.vMin);
  changed |= RaiseToMin(r.spinXMax, r.spinXMin);
  changed |= RaiseToMin(r.spinYMax, r.spinYMin);
  return changed;
}

void LoadSettings() {
  {
    Registry registry;
    uint32_t size = 0;
    if (registry.Exists(kSettingsKey, kSettingsValue, size)) {
      const SaverSettings before = saverSettings;
      registry.Read(kSettingsKey, kSettingsValue, &before, kSettingsSize, &saverSettings,
                    kSettingsSize);
    }
  }
  RepairSettings(saverSettings);
}

bool SaveSettings() {
  Registry registry;
  return registry.Write(kSettingsKey, kSettingsValue, &saverSettings, kSettingsSize,
                        RegistryValueKind::Bytes);
}

}  // namespace tv
