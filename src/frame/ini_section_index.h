#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::frame {

// Hash of a section or key name: each byte of the upper-cased name is mixed in after rotating
// left by 2. Letters are cased by the program's own Unicode tables, so names that compare equal
// ignoring case hash alike and the process locale never changes which name is found.
std::uint32_t IniHash(std::string_view name);

// Finds section headers by name through 256 hash buckets. Each entry knows the line index of the
// first line after its header; the owner shifts those when lines come and go.
class TSectionItems {
public:
  void Clear();
  void Add(std::string_view name, std::size_t firstLine);
  // The first line after the header, for the section added last under this name.
  std::optional<std::size_t> Find(std::string_view name);
  void Remove(std::size_t firstLine);
  // Moves every section whose first line lies after `at` by delta lines.
  void Shift(std::size_t at, std::ptrdiff_t delta);

private:
  struct Entry {
    std::uint32_t hash;
    std::size_t firstLine;
    std::string name;
  };
  using Bucket = std::vector<Entry>; // newest last
  struct CacheRef {
    std::size_t bucket;
    std::size_t position;
  };

  const Entry *CachedEntry(std::string_view name) const;

  std::array<Bucket, 256> buckets_;
  std::optional<CacheRef> cached_;
};

} // namespace qev::frame
