#include "frame/ini_section_index.h"

#include "frame/case_fold.h"
#include "frame/string_utils.h"

#include <bit>

namespace qev::frame {

namespace {
std::uint32_t Mix(std::uint32_t hash, char byte) {
  return std::rotl(hash, 2) ^ static_cast<std::uint8_t>(byte);
}
} // namespace

std::uint32_t IniHash(std::string_view name) {
  std::uint32_t hash = 0;
  std::string upper;
  for (std::size_t pos = 0; pos < name.size();) {
    const auto c = static_cast<unsigned char>(name[pos]);
    if (c < 0x80) {
      hash = Mix(hash, static_cast<char>(UpperCase(c)));
      ++pos;
      continue;
    }
    const std::size_t start = pos;
    const auto point = NextCodePoint(name, pos);
    upper.clear();
    // Names equal when folded must hash alike, so the upper case of the folded letter is mixed.
    if (point)
      AppendUtf8(upper, UpperCase(FoldCase(*point)));
    else
      upper = name.substr(start, 1);
    for (const char byte : upper)
      hash = Mix(hash, byte);
  }
  return hash;
}

void TSectionItems::Clear() {
  for (Bucket &bucket : buckets_)
    bucket.clear();
  cached_.reset();
}

void TSectionItems::Add(std::string_view name, std::size_t firstLine) {
  const std::uint32_t hash = IniHash(name);
  buckets_[hash & 0xFF].push_back({hash, firstLine, std::string(name)});
}

const TSectionItems::Entry *TSectionItems::CachedEntry(std::string_view name) const {
  if (!cached_)
    return nullptr;
  const Entry &entry = buckets_[cached_->bucket][cached_->position];
  return EqualsNoCase(entry.name, name) ? &entry : nullptr;
}

std::optional<std::size_t> TSectionItems::Find(std::string_view name) {
  if (const Entry *entry = CachedEntry(name))
    return entry->firstLine;
  const std::uint32_t hash = IniHash(name);
  const Bucket &bucket = buckets_[hash & 0xFF];
  for (std::size_t i = bucket.size(); i-- > 0;) {
    if (bucket[i].hash == hash && EqualsNoCase(bucket[i].name, name)) {
      cached_ = CacheRef{hash & 0xFF, i};
      return bucket[i].firstLine;
    }
  }
  return std::nullopt;
}

void TSectionItems::Remove(std::size_t firstLine) {
  for (Bucket &bucket : buckets_) {
    std::erase_if(bucket, [&](const Entry &e) { return e.firstLine == firstLine; });
  }
  cached_.reset(); // positions inside a bucket may have moved
}

void TSectionItems::Shift(std::size_t at, std::ptrdiff_t delta) {
  for (Bucket &bucket : buckets_) {
    for (Entry &entry : bucket) {
      if (entry.firstLine > at)
        entry.firstLine =
            static_cast<std::size_t>(static_cast<std::ptrdiff_t>(entry.firstLine) + delta);
    }
  }
}

} // namespace qev::frame
