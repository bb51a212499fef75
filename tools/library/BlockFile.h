// Reading a knot block from a file given on the command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// Far above any real block (the built-in one is about 111 KiB).
constexpr size_t kMaxBlockFileBytes = size_t{64} << 20;

// Reads the whole file if it is a regular file of at most limit bytes. Otherwise false with a
// one-line reason: a folder, a device or pipe (which may never end), a missing or unreadable
// file, or one too large.
bool ReadBlockFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error,
                   size_t limit = kMaxBlockFileBytes);

}  // namespace tv
