#pragma once

#include "recording/record_files.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace qev::recording::test {

using Bytes = std::vector<std::uint8_t>;

// `count` whole packets of one PID, continuity counters running from `firstCounter`, each
// payload marked with its number so that lost or doubled packets show.
inline Bytes Packets(std::uint16_t pid, int count, int firstCounter = 0) {
  Bytes out;
  for (int i = 0; i < count; ++i) {
    const std::size_t start = out.size();
    out.resize(start + 188, 0xA5);
    out[start] = 0x47;
    out[start + 1] = static_cast<std::uint8_t>(pid >> 8);
    out[start + 2] = static_cast<std::uint8_t>(pid);
    out[start + 3] = static_cast<std::uint8_t>(0x10 | ((firstCounter + i) & 0x0F));
    out[start + 4] = static_cast<std::uint8_t>(i >> 8);
    out[start + 5] = static_cast<std::uint8_t>(i);
  }
  return out;
}

inline Bytes ReadAll(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

// The real file system with faults on request: names that count as taken, a write that fails
// with an error, and writes cut short.
class TFaultyFiles final : public IRecordFiles {
public:
  std::set<std::string> Taken;         // file names that give EEXIST
  std::atomic<int> FailAfterBytes{-1}; // writes past this many bytes in all fail
  int FailError = ENOSPC;
  std::size_t ShortWrite = 0; // > 0: no write takes more than this
  std::atomic<long> Written{0};

  int CreateNew(const std::filesystem::path &path) override {
    if (Taken.count(path.filename().string()))
      return -EEXIST;
    return PosixRecordFiles().CreateNew(path);
  }
  long Write(int fd, const std::uint8_t *data, std::size_t length) override {
    if (ShortWrite > 0 && length > ShortWrite)
      length = ShortWrite;
    const int limit = FailAfterBytes;
    if (limit >= 0 && Written + static_cast<long>(length) > limit) {
      const long room = limit - Written;
      if (room <= 0)
        return -FailError;
      length = static_cast<std::size_t>(room); // the disk takes part of it, then fills
    }
    const long n = PosixRecordFiles().Write(fd, data, length);
    if (n > 0)
      Written += n;
    return n;
  }
  int Truncate(int fd, std::int64_t size) override { return PosixRecordFiles().Truncate(fd, size); }
  void Close(int fd) override { PosixRecordFiles().Close(fd); }
  void Remove(const std::filesystem::path &path) override { PosixRecordFiles().Remove(path); }
};

} // namespace qev::recording::test

#include "si/crc32_mpeg.h"

#include <map>

namespace qev::recording::test {

// What is wrong with a recorded transport stream, or empty: whole packets with their sync
// bytes, continuity counters running on per PID (from each PID's first packet on), and every
// section that starts in a packet of `psiPids` carrying a good CRC.
inline std::string CheckTs(const Bytes &ts, const std::set<std::uint16_t> &psiPids = {0}) {
  if (ts.size() % 188 != 0)
    return "size " + std::to_string(ts.size()) + " is not whole packets";
  std::map<std::uint16_t, int> counters;
  for (std::size_t at = 0; at < ts.size(); at += 188) {
    const std::uint8_t *p = ts.data() + at;
    if (p[0] != 0x47)
      return "no sync byte at " + std::to_string(at);
    const std::uint16_t pid = static_cast<std::uint16_t>(((p[1] & 0x1F) << 8) | p[2]);
    const int counter = p[3] & 0x0F;
    if ((p[3] & 0x10) != 0) {
      const auto last = counters.find(pid);
      if (last != counters.end() && ((last->second + 1) & 0x0F) != counter)
        return "continuity break on PID " + std::to_string(pid) + " at " + std::to_string(at);
      counters[pid] = counter;
    }
    if (psiPids.count(pid) && (p[1] & 0x40) != 0) {
      const std::size_t start = 5 + p[4];
      const std::size_t length = 3 + (((p[start + 1] & 0x0F) << 8) | p[start + 2]);
      if (start + length > 188 || si::Crc32Mpeg({p + start, length}) != 0)
        return "bad section on PID " + std::to_string(pid) + " at " + std::to_string(at);
    }
  }
  return {};
}

} // namespace qev::recording::test
