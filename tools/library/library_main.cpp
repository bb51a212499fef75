// Inspects the stored knot block: a summary, a listing of every record, or one knot as JSON.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BlockFile.h"
#include "Version.h"
#include "knots/library/KnotLibrary.h"

namespace {

constexpr const char* kUsage =
    "usage: tressvale-library [--file BLOCK] [--list | --knot N]\n"
    "  (no option)  summary of the block: records, components, points, size, end offset\n"
    "  --list       one line per record: number, name, components, points, scales\n"
    "  --knot N     knot number N with its components and points as JSON\n"
    "  --file BLOCK read a block file instead of the built-in library\n"
    "  --version    the program's version\n";

int Fail(const std::string& message) {
  std::fprintf(stderr, "tressvale-library: %s\n%s", message.c_str(), kUsage);
  return 2;
}

bool ParseIndex(const char* text, int& value) {
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || errno != 0 || v < 0 || v > 1000000000L) return false;
  value = static_cast<int>(v);
  return true;
}

std::string KnotName(int index, bool builtIn) {
  const auto& names = tv::LibraryKnotNames();
  if (builtIn && index < static_cast<int>(names.size())) return names[index];
  return "#" + std::to_string(index);
}

void PrintSummary(size_t size) {
  const auto& offsets = tv::LibraryKnotOffsets();
  long components = 0, points = 0, links = 0;
  for (int32_t offset : offsets) {
    const auto headers = tv::LibraryKnotHeaders(offset);
    components += static_cast<long>(headers.size());
    links += headers.size() > 1;
    for (const auto& h : headers) points += h.pointCount;
  }
  std::printf("records     %d\n", tv::LibraryKnotCount());
  std::printf("knots       %ld\n", tv::LibraryKnotCount() - links);
  std::printf("links       %ld\n", links);
  std::printf("components  %ld\n", components);
  std::printf("points      %ld\n", points);
  std::printf("size        %zu\n", size);
  if (tv::LibraryEndOffset() >= 0) {
    std::printf("end offset  %d\n", tv::LibraryEndOffset());
  } else {
    std::printf("end offset  none (the block does not end on a record boundary)\n");
  }
}

void PrintList(bool builtIn) {
  const auto& offsets = tv::LibraryKnotOffsets();
  std::printf("%-5s %-12s %10s %7s %7s %9s\n", "knot", "name", "components", "points", "offset",
              "scale");
  for (size_t k = 0; k < offsets.size(); ++k) {
    const auto headers = tv::LibraryKnotHeaders(offsets[k]);
    long points = 0;
    float lo = headers.empty() ? 0 : headers[0].scale, hi = lo;
    for (const auto& h : headers) {
      points += h.pointCount;
      lo = std::min(lo, h.scale);
      hi = std::max(hi, h.scale);
    }
    char scales[48];
    if (lo == hi) {
      std::snprintf(scales, sizeof scales, "%.4f", lo);
    } else {
      std::snprintf(scales, sizeof scales, "%.4f..%.4f", lo, hi);
    }
    std::printf("%-5zu %-12s %10zu %7ld %7d %9s\n", k, KnotName(static_cast<int>(k), builtIn).c_str(),
                headers.size(), points, offsets[k], scales);
  }
}

void PrintKnotJson(int index, bool builtIn) {
  const int32_t offset = tv::LibraryKnotOffsets()[static_cast<size_t>(index)];
  const auto headers = tv::LibraryKnotHeaders(offset);
  std::vector<std::vector<tv::Vec3>> components;
  tv::DecodeLibraryKnot(offset, components);
  std::printf("{\n  \"knot\": %d,\n  \"name\": \"%s\",\n  \"offset\": %d,\n  \"components\": [\n",
              index, KnotName(index, builtIn).c_str(), offset);
  for (size_t c = 0; c < components.size(); ++c) {
    std::printf("    {\n      \"scale\": %.9g,\n      \"points\": [\n", headers[c].scale);
    for (size_t i = 0; i < components[c].size(); ++i) {
      const tv::Vec3& p = components[c][i];
      std::printf("        [%.6f, %.6f, %.6f]%s\n", p.x, p.y, p.z,
                  i + 1 < components[c].size() ? "," : "");
    }
    std::printf("      ]\n    }%s\n", c + 1 < components.size() ? "," : "");
  }
  std::printf("  ]\n}\n");
}

}  // namespace

int main(int argc, char** argv) {
  std::string file;
  bool list = false;
  int knot = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--list") {
      list = true;
    } else if (arg == "--knot" && i + 1 < argc) {
      if (!ParseIndex(argv[++i], knot)) return Fail("--knot needs a knot number, 0 or more");
    } else if (arg == "--file" && i + 1 < argc) {
      file = argv[++i];
      if (file.empty()) return Fail("--file needs a block file name");
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--version") {
      std::printf("tressvale-library %s\n", TRESSVALE_VERSION);
      return 0;
    } else {
      return Fail("unknown or incomplete option '" + arg + "'");
    }
  }
  if (list && knot >= 0) return Fail("--list and --knot exclude each other");

  std::vector<uint8_t> bytes;
  size_t size = tv::kKnotLibraryDataSize;
  if (!file.empty()) {
    std::string error;
    if (!tv::ReadBlockFile(file, bytes, error)) {
      std::fprintf(stderr, "tressvale-library: %s\n", error.c_str());
      return 1;
    }
    tv::UseLibraryBlock(bytes.data(), bytes.size());
    size = bytes.size();
    if (tv::LibraryKnotCount() == 0) {
      std::fprintf(stderr,
                   "tressvale-library: '%s' is not a knot block: no record can be read from its "
                   "%zu bytes\n",
                   file.c_str(), size);
      return 1;
    }
  }
  const bool builtIn = file.empty();

  if (knot >= 0) {
    if (knot >= tv::LibraryKnotCount()) {
      std::fprintf(stderr, "tressvale-library: no knot %d; the block holds %d\n", knot,
                   tv::LibraryKnotCount());
      return 1;
    }
    PrintKnotJson(knot, builtIn);
  } else if (list) {
    PrintList(builtIn);
  } else {
    PrintSummary(size);
  }
  return 0;
}
