#pragma once

// Random content of random length, for tests that feed loaders and parsers what a damaged or
// hostile file could hold.
#include <cstddef>
#include <random>
#include <string>

namespace qev::test {

// Up to `max` bytes, each of any value.
inline std::string RandomBytes(std::mt19937 &rng, std::size_t max) {
  std::uniform_int_distribution<std::size_t> length(0, max);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string s(length(rng), '\0');
  for (char &c : s)
    c = static_cast<char>(byte(rng));
  return s;
}

} // namespace qev::test
