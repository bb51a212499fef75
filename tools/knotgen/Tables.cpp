#include "Tables.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace tv::knotgen {

namespace {

std::vector<std::vector<std::string>> ReadTsv(const std::string& path, size_t fields) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<std::vector<std::string>> rows;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::istringstream ls(line);
    std::string cell;
    while (std::getline(ls, cell, '\t')) f.push_back(cell);
    if (f.size() != fields) throw std::runtime_error("bad row in " + path + ": " + line);
    rows.push_back(f);
  }
  return rows;
}

}  // namespace

std::vector<TableEntry> ReadKnotTable(const std::string& path) {
  std::vector<TableEntry> out;
  for (const auto& f : ReadTsv(path, 5)) {
    TableEntry e;
    e.name = f[0];
    e.crossings = std::stoi(f[1]);
    e.braidStrands = std::stoi(f[2]);
    e.braidWord = f[3];
    e.pd = f[4];
    out.push_back(e);
  }
  return out;
}

std::vector<TableEntry> ReadLinkTable(const std::string& path) {
  std::vector<TableEntry> out;
  for (const auto& f : ReadTsv(path, 4)) {
    TableEntry e;
    e.name = f[0];
    e.crossings = std::stoi(f[1]);
    e.components = std::stoi(f[2]);
    e.pd = f[3];
    out.push_back(e);
  }
  return out;
}

}  // namespace tv::knotgen
