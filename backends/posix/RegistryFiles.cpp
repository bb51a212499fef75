// The settings store without a registry: the value `name` of subkey `A\B` is the file
// ${XDG_CONFIG_HOME:-$HOME/.config}/A/B/name holding the raw bytes. Writes go to a temporary file
// in the same folder that is synced and then renamed over the old one, so a crash or a full disk
// never leaves a half-written or empty value behind.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/Check.h"
#include "settings/Registry.h"

namespace tv {
namespace {

// Splits "Pervik\Tressvale" into folder names; refuses empty, "." and ".." parts and slashes so
// a key can never point outside the store.
bool SafePart(const std::string& part) {
  return !part.empty() && part != "." && part != ".." && part.find('/') == std::string::npos;
}

bool StoreFolder(const char* subkey, std::vector<std::string>& folders) {
  std::string base;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return false;
    base = std::string(home) + "/.config";
  }
  folders = {base};
  std::string part;
  for (const char* c = subkey;; ++c) {
    if (*c == '\\' || *c == '\0') {
      if (!SafePart(part)) return false;
      folders.push_back(folders.back() + "/" + part);
      part.clear();
      if (*c == '\0') break;
    } else {
      part += *c;
    }
  }
  return true;
}

bool ValuePath(const char* subkey, const char* name, std::string& path, std::string* folder) {
  std::vector<std::string> folders;
  if (!subkey || !name || !SafePart(name) || !StoreFolder(subkey, folders)) return false;
  path = folders.back() + "/" + name;
  if (folder) *folder = folders.back();
  return true;
}

bool MakeFolders(const char* subkey) {
  std::vector<std::string> folders;
  if (!StoreFolder(subkey, folders)) return false;
  for (const std::string& f : folders) {
    if (mkdir(f.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

bool WriteAll(int fd, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Reads the whole file if it holds at most limit bytes; false for larger files and errors.
bool ReadSmallFile(const std::string& path, size_t limit, std::vector<uint8_t>& out) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) <= limit;
  if (ok) {
    out.resize(limit + 1);  // one byte more than allowed reveals a file that grew meanwhile
    size_t got = 0;
    while (got < out.size()) {
      const ssize_t n = read(fd, out.data() + got, out.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ok = false;
      if (n <= 0) break;
      got += static_cast<size_t>(n);
    }
    ok = ok && got <= limit;
    out.resize(got);
  }
  close(fd);
  return ok;
}

}  // namespace

Registry::~Registry() = default;  // every write is already synced to disk

bool Registry::Write(const char* subkey, const char* name, const void* data, uint32_t size,
                     RegistryValueKind kind) {
  std::string path, folder;
  if (!ValuePath(subkey, name, path, &folder) || !MakeFolders(subkey)) return false;
  switch (kind) {
    case RegistryValueKind::Bytes:
    case RegistryValueKind::String:
      break;
    case RegistryValueKind::Dword:
      size = 4;
      break;
    default:
      // A kind the store does not know is a caller's fault: reported, then stored as a string,
      // which here is the given bytes as they are.
      TV_CHECK_TEXT(Registry, false, "0");
      break;
  }
  if (!data && size > 0) return false;

  std::string temp = folder + "/." + name + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = WriteAll(fd, static_cast<const uint8_t*>(data), size) && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok) ok = rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    unlink(temp.c_str());
    return false;
  }
  const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    fsync(dir);  // make the rename itself durable
    close(dir);
  }
  return true;
}

bool Registry::Read(const char* subkey, const char* name, const void* fallback,
                    uint32_t fallbackSize, void* destination, uint32_t capacity) {
  std::string path;
  std::vector<uint8_t> bytes;
  if (ValuePath(subkey, name, path, nullptr) && ReadSmallFile(path, capacity, bytes)) {
    if (!bytes.empty()) std::memcpy(destination, bytes.data(), bytes.size());
    return true;
  }
  if (fallback && fallback != destination) std::memmove(destination, fallback, fallbackSize);
  return false;
}

bool Registry::Exists(const char* subkey, const char* name, uint32_t& size) {
  size = 0;
  std::string path;
  struct stat st;
  if (!ValuePath(subkey, name, path, nullptr) || stat(path.c_str(), &st) != 0 ||
      !S_ISREG(st.st_mode)) {
    return false;
  }
  size = st.st_size > 0xFFFFFFFF ? 0xFFFFFFFFu : static_cast<uint32_t>(st.st_size);
  return true;
}

}  // namespace tv
