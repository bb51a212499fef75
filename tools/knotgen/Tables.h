// The published tables the library is built from (copied into tables/).
#pragma once

#include <string>
#include <vector>

namespace tv::knotgen {

struct TableEntry {
  std::string name;
  int crossings = 0;
  int components = 1;
  int braidStrands = 0;    // knots only
  std::string braidWord;   // knots only
  std::string pd;
};

// Reads knots.tsv or links.tsv; lines starting with '#' are headers.
std::vector<TableEntry> ReadKnotTable(const std::string& path);
std::vector<TableEntry> ReadLinkTable(const std::string& path);

}  // namespace tv::knotgen
