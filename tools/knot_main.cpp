// Builds a random torus knot, the way the scene does, and prints its description.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "Version.h"
#include "foundation/Random.h"
#include "knots/TorusKnot.h"

int main(int argc, char** argv) {
  unsigned seed = static_cast<unsigned>(std::time(nullptr));
  if (argc == 2 && std::string(argv[1]) == "--version") {
    std::printf("tressvale-knot %s\n", TRESSVALE_VERSION);
    return 0;
  }
  if (argc == 3 && std::string(argv[1]) == "--seed") {
    char* end = nullptr;
    seed = static_cast<unsigned>(std::strtoul(argv[2], &end, 10));
    if (*argv[2] == '\0' || *end != '\0') {
      std::fprintf(stderr, "tressvale-knot: --seed needs a whole number\n");
      return 2;
    }
  } else if (argc != 1) {
    std::fprintf(stderr, "usage: tressvale-knot [--seed N | --version]\n");
    return 2;
  }
  tv::SeedRandom(seed);
  tv::TorusKnot knot;
  knot.Randomize(tv::kTorusPLimit, tv::kTorusQLimit, tv::kTorusULimit, tv::kTorusVLimit);
  knot.Rebuild();
  std::vector<std::string> lines;
  knot.Describe(lines);
  for (const std::string& line : lines) std::printf("%s\n", line.c_str());
  return 0;
}
