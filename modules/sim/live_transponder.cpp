#include "live_transponder.h"

#include "description_file.h"

#include <cctype>
#include <chrono>
#include <cstring>

namespace qev::sim {

namespace {

// About 20 ms of a 40 Mbit/s transponder: small enough to keep the tables current.
constexpr std::size_t kChunkPackets = 512;
constexpr std::size_t kPacketSize = 188;

tsgen::MuxOptions LiveOptions(tsgen::UtcClock clock) {
  return {.clock = std::move(clock), .live = true};
}

} // namespace

tsgen::UtcClock SystemUtcClock() {
  return [](std::uint64_t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
  };
}

bool IsDescription(const std::filesystem::path &file) {
  std::string extension = file.extension().string();
  for (char &c : extension)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".txt";
}

LiveTransponder::LiveTransponder(const std::filesystem::path &description, tsgen::UtcClock clock)
    : tp_(tsgen::DescriptionFile::Load(description.string())),
      mux_(tp_, tsgen::LoadInput(tp_), LiveOptions(std::move(clock))) {
  chunk_.reserve(kChunkPackets * kPacketSize);
}

void LiveTransponder::Next(std::uint8_t *packet) {
  if (at_ >= chunk_.size()) {
    chunk_.clear();
    at_ = 0;
    mux_.Produce(kChunkPackets, [this](std::span<const std::uint8_t> p) {
      chunk_.insert(chunk_.end(), p.begin(), p.end());
    });
  }
  std::memcpy(packet, chunk_.data() + at_, kPacketSize);
  at_ += kPacketSize;
}

} // namespace qev::sim
