#include "table_versions.h"

#include "si/crc32_mpeg.h"

namespace qev::tsgen {
namespace {

constexpr std::size_t kLongHeader = 8;
constexpr std::size_t kCrcSize = 4;
constexpr std::size_t kVersionByte = 5;
constexpr std::uint64_t kFnvOffset = 14695981039346656037ull;
constexpr std::uint64_t kFnvPrime = 1099511628211ull;

bool HasLongHeader(const Bytes &s) { return s.size() >= kLongHeader + kCrcSize && (s[1] & 0x80); }

std::uint32_t TableKey(const Bytes &s) {
  return std::uint32_t{s[0]} << 16 | std::uint32_t{s[3]} << 8 | s[4];
}

// The content of a section: everything but its version and CRC.
std::uint64_t Mix(std::uint64_t hash, const Bytes &s) {
  for (std::size_t i = 0; i + kCrcSize < s.size(); ++i) {
    const std::uint8_t byte = i == kVersionByte ? (s[i] & 0xC1) : s[i];
    hash = (hash ^ byte) * kFnvPrime;
  }
  return (hash ^ s.size()) * kFnvPrime;
}

} // namespace

const std::vector<Bytes> &TableVersions::Apply(const std::vector<Bytes> &sections) {
  if (sections == lastBuilt_ && !lastStamped_.empty() && !bumpAll_) {
    return lastStamped_;
  }
  std::map<std::uint32_t, std::uint64_t> hashes;
  for (const Bytes &s : sections) {
    if (HasLongHeader(s)) {
      auto [it, fresh] = hashes.try_emplace(TableKey(s), kFnvOffset);
      it->second = Mix(it->second, s);
    }
  }
  for (const auto &[key, hash] : hashes) {
    auto [it, fresh] = tables_.try_emplace(key, State{hash, 0});
    if (!fresh && (it->second.hash != hash || bumpAll_)) {
      it->second = {hash, static_cast<std::uint8_t>((it->second.version + 1) % 32)};
    }
  }
  bumpAll_ = false;
  lastBuilt_ = sections;
  lastStamped_ = sections;
  for (Bytes &s : lastStamped_) {
    Stamp(s);
  }
  return lastStamped_;
}

void TableVersions::Stamp(Bytes &s) const {
  if (!HasLongHeader(s)) {
    return;
  }
  const std::uint8_t version = tables_.at(TableKey(s)).version;
  if (((s[kVersionByte] >> 1) & 0x1F) == version) {
    return;
  }
  s[kVersionByte] = static_cast<std::uint8_t>((s[kVersionByte] & 0xC1) | version << 1);
  const std::uint32_t crc =
      si::Crc32Mpeg(std::span<const std::uint8_t>(s.data(), s.size() - kCrcSize));
  for (std::size_t i = 0; i < kCrcSize; ++i) {
    s[s.size() - kCrcSize + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  }
}

} // namespace qev::tsgen
