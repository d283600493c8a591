#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "section.h"

namespace qev::tsgen {

// Gives each sub-table (table_id and table_id_extension) the version its content calls for: the
// version_number moves on (mod 32) exactly when the content of one of its sections changes.
// Sections are built with version 0; sections without the long header pass unchanged.
class TableVersions {
public:
  // Returns `sections` with their versions set and CRCs renewed. A batch equal to the last one
  // is answered from the cache.
  const std::vector<Bytes> &Apply(const std::vector<Bytes> &sections);
  // The next Apply gives every sub-table a new version, its content changed or not.
  void BumpAll() { bumpAll_ = true; }

private:
  struct State {
    std::uint64_t hash = 0;
    std::uint8_t version = 0;
  };
  void Stamp(Bytes &section) const;

  std::map<std::uint32_t, State> tables_;
  std::vector<Bytes> lastBuilt_;
  std::vector<Bytes> lastStamped_;
  bool bumpAll_ = false;
};

} // namespace qev::tsgen
