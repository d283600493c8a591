// Writes the satellite, transponder and channel lists of the demo sky into the default files
// of a new root, from the same descriptions its transponder streams are generated from.
#include "demo_root.h"

#include <exception>
#include <iostream>

int main(int argc, char **argv) {
  if (argc != 4) {
    std::cerr << "usage: " << argv[0] << " SKY_INI DESCRIPTION_DIR ROOT\n";
    return 2;
  }
  try {
    using namespace qev::sim::demo;
    WriteDemoRoot(ReadDemoSky(argv[1], argv[2], TScanRules{}), argv[3]);
  } catch (const std::exception &e) {
    std::cerr << argv[0] << ": " << e.what() << '\n';
    return 1;
  }
  return 0;
}
