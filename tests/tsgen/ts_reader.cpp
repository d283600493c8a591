#include "ts_reader.h"

#include <stdexcept>

namespace qev::tsgen::test {
namespace {

class SectionCollector {
public:
  void Add(const TsReader::Packet &p) {
    std::span<const std::uint8_t> data = p.payload;
    if (p.unitStart) {
      if (data.empty() || data[0] + 1u > data.size()) {
        collecting_ = false;
        return;
      }
      const std::size_t pointer = data[0];
      if (collecting_) {
        Append(data.subspan(1, pointer));
      }
      current_.clear();
      collecting_ = true;
      Append(data.subspan(1 + pointer));
    } else if (collecting_) {
      Append(data);
    }
  }
  std::vector<Bytes> Take() { return std::move(sections_); }

private:
  void Append(std::span<const std::uint8_t> bytes) {
    current_.insert(current_.end(), bytes.begin(), bytes.end());
    while (current_.size() >= 3) {
      if (current_[0] == 0xFF) {
        current_.clear();
        collecting_ = false;
        return;
      }
      const std::size_t size = 3 + ((current_[1] & 0x0F) << 8 | current_[2]);
      if (current_.size() < size) {
        return;
      }
      sections_.emplace_back(current_.begin(), current_.begin() + size);
      current_.erase(current_.begin(), current_.begin() + size);
    }
  }

  bool collecting_ = false;
  Bytes current_;
  std::vector<Bytes> sections_;
};

} // namespace

TsReader::TsReader(std::span<const std::uint8_t> data) : stream_(data.begin(), data.end()) {
  const std::span<const std::uint8_t> stream(stream_);
  if (stream.size() % 188 != 0) {
    throw std::invalid_argument("not a whole number of packets");
  }
  for (std::size_t at = 0; at < stream.size(); at += 188) {
    const auto b = stream.subspan(at, 188);
    if (b[0] != 0x47) {
      throw std::invalid_argument("lost sync");
    }
    Packet p;
    p.index = at / 188;
    p.pid = (b[1] & 0x1F) << 8 | b[2];
    p.unitStart = (b[1] & 0x40) != 0;
    p.continuity = b[3] & 0x0F;
    p.hasPayload = (b[3] & 0x10) != 0;
    p.adaptationSize = (b[3] & 0x20) ? b[4] + 1u : 0u;
    p.bytes = b;
    if (p.hasPayload && 4 + p.adaptationSize <= 188) {
      p.payload = b.subspan(4 + p.adaptationSize);
    }
    packets_.push_back(p);
  }
}

std::vector<TsReader::Packet> TsReader::PacketsOf(std::uint16_t pid) const {
  std::vector<Packet> out;
  for (const Packet &p : packets_) {
    if (p.pid == pid) {
      out.push_back(p);
    }
  }
  return out;
}

std::vector<Bytes> TsReader::Sections(std::uint16_t pid) const {
  SectionCollector collector;
  for (const Packet &p : packets_) {
    if (p.pid == pid && p.hasPayload) {
      collector.Add(p);
    }
  }
  return collector.Take();
}

Bytes TsReader::FirstSection(std::uint16_t pid, std::uint8_t tableId, int extension) const {
  for (const Bytes &s : Sections(pid)) {
    if (s[0] == tableId && (extension < 0 || Extension(s) == static_cast<unsigned>(extension))) {
      return s;
    }
  }
  return {};
}

unsigned SectionLength(const Bytes &section) { return (section[1] & 0x0F) << 8 | section[2]; }

unsigned Extension(const Bytes &section) { return section.size() < 5 ? 0 : Read16(section, 3); }

std::uint16_t Read16(const Bytes &bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes.at(at) << 8 | bytes.at(at + 1));
}

Bytes FindDescriptor(std::span<const std::uint8_t> loop, std::uint8_t tag) {
  for (std::size_t at = 0; at + 2 <= loop.size(); at += 2 + loop[at + 1]) {
    if (loop[at] == tag && at + 2 + loop[at + 1] <= loop.size()) {
      return Bytes(loop.begin() + at, loop.begin() + at + 2 + loop[at + 1]);
    }
  }
  return {};
}

} // namespace qev::tsgen::test
