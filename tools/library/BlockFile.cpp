#include "BlockFile.h"

#include <filesystem>
#include <fstream>

namespace tv {

bool ReadBlockFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error,
                   size_t limit) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (ec || !fs::exists(status)) {
    error = "cannot read '" + path + "': " + (ec ? ec.message() : "no such file");
    return false;
  }
  if (!fs::is_regular_file(status)) {
    error = "'" + path + "' is not a regular file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot read '" + path + "'";
    return false;
  }
  // Read in chunks up to one byte past the limit: the file may have grown since the check.
  bytes.clear();
  char chunk[1 << 16];
  while (in && bytes.size() <= limit) {
    in.read(chunk, sizeof chunk);
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  }
  if (in.bad()) {
    error = "cannot read '" + path + "'";
    return false;
  }
  if (bytes.size() > limit) {
    error = "'" + path + "' is larger than " + std::to_string(limit) + " bytes: not a knot block";
    return false;
  }
  return true;
}

}  // namespace tv
