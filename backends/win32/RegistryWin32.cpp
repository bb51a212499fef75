// Registry over the Windows registry of the current user (HKEY_CURRENT_USER\Software\...).
#include <windows.h>

#include <cstring>
#include <string>

#include "foundation/Check.h"
#include "settings/Registry.h"

namespace tv {

namespace {
std::string KeyPath(const char* subkey) { return std::string("Software\\") + subkey; }
}  // namespace

Registry::~Registry() { RegFlushKey(HKEY_CURRENT_USER); }

bool Registry::Write(const char* subkey, const char* name, const void* data, uint32_t size,
                     RegistryValueKind kind) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, KeyPath(subkey).c_str(), 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  DWORD type = REG_SZ;
  switch (kind) {
    case RegistryValueKind::Bytes:
      type = REG_BINARY;
      break;
    case RegistryValueKind::Dword:
      type = REG_DWORD;
      size = 4;
      break;
    case RegistryValueKind::String:
      type = REG_SZ;
      break;
    default:
      TV_CHECK_TEXT(Registry, false, "0");  // then stored as a string
      break;
  }
  // A refused write is reported: the caller must not believe the settings were saved.
  const bool stored =
      RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
  RegCloseKey(key);
  return stored;
}

bool Registry::Read(const char* subkey, const char* name, const void* fallback,
                    uint32_t fallbackSize, void* destination, uint32_t capacity) {
  HKEY key = nullptr;
  bool read = false;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(subkey).c_str(), 0, KEY_QUERY_VALUE, &key) ==
      ERROR_SUCCESS) {
    DWORD size = capacity;
    read = RegQueryValueExA(key, name, nullptr, nullptr, static_cast<BYTE*>(destination), &size) ==
           ERROR_SUCCESS;
    RegCloseKey(key);
  }
  if (!read && fallback) std::memcpy(destination, fallback, fallbackSize);
  return read;
}

bool Registry::Exists(const char* subkey, const char* name, uint32_t& size) {
  size = 0;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, KeyPath(subkey).c_str(), 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  DWORD stored = 0;
  const bool found =
      RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &stored) == ERROR_SUCCESS;
  RegCloseKey(key);
  if (found) size = stored;
  return found;
}

}  // namespace tv
