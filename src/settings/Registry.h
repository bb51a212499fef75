// Small per-user key/value store with the operations the settings need. Subkeys are given below
// "Software\" (for example "Pervik\Tressvale"); each platform supplies its own implementation.
#pragma once

#include <cstdint>

namespace tv {

enum class RegistryValueKind { Bytes = 0, Dword = 1, String = 2 };

class Registry {
 public:
  Registry() = default;
  Registry(const Registry&) = delete;
  Registry& operator=(const Registry&) = delete;
  // Flushes the store.
  ~Registry();

  // Stores size bytes of data (4 for Dword). True once the value is stored; a failed write
  // leaves any earlier value intact.
  bool Write(const char* subkey, const char* name, const void* data, uint32_t size,
             RegistryValueKind kind);
  // Reads the value into destination if it fits in capacity (a shorter value fills only its own
  // length). Otherwise copies fallbackSize bytes of fallback (if not null) and returns false.
  bool Read(const char* subkey, const char* name, const void* fallback, uint32_t fallbackSize,
            void* destination, uint32_t capacity);
  // True and the stored size if the value exists; false and 0 otherwise.
  bool Exists(const char* subkey, const char* name, uint32_t& size);
};

}  // namespace tv
