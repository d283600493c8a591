#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace qev::si {

// Rebuilds PSI/SI sections from the 184-byte payloads of one PID (packets without their 4-byte
// headers, in arrival order). Offset k × 184 of the buffer is always the first byte of a payload,
// so a pointer field can only sit at such an offset.
//
// Without the packet headers the payload_unit_start flags are unknown, so a boundary is never
// trusted on its own: a section is delivered only when its section_syntax_indicator is set and its
// CRC_32 proves the bytes, read either straight through or with the one pointer byte that a payload
// starting a new section puts inside the tail of the section before it. Anything else (stuffing,
// unwanted tables, remains of lost packets) is skipped byte by byte until the next proven section.
//
// A section is delivered as soon as its last byte (and, for a layout with a pointer byte, that
// byte) has arrived; a false start in skipped bytes may hold delivery back until the bytes it
// claims (at most 4096) have arrived and its CRC refutes it.
//
// Appends that are not a whole number of payloads keep the alignment: the bytes simply wait in the
// buffer for the rest of their payload. Consumed payloads are dropped on append, so the buffer
// stays bounded as long as sections are taken out. The caller owns the locking.
class TPk184ToSection {
public:
  static constexpr std::size_t kPayloadSize = 184;
  static constexpr std::size_t kMaxSectionSize = 4096;
  static constexpr std::size_t kMaxTableIds = 64;

  // The table ids that may start a section (the first 64 are kept); none delivers nothing.
  void AsmSetTableIds(std::span<const std::uint8_t> ids);
  void AsmAppend(std::span<const std::uint8_t> data);
  // True when a complete, CRC-checked section is available in Section().
  bool AsmNextSection();
  // Drops all buffered data (a transponder change); the wanted table ids stay.
  void AsmReset();

  // The section last delivered, starting with its table_id; valid until the next AsmNextSection.
  std::span<const std::uint8_t> Section() const { return {section_.data(), sectionSize_}; }
  std::size_t SectionSize() const { return sectionSize_; }
  // Wanted sections that started where the stream said a section starts (right after the previous
  // section or where a pointer field points) and failed the syntax or CRC check.
  std::uint64_t Rejected() const { return rejected_; }
  // Bytes held, consumed or not; bounded by compaction on append.
  std::size_t BufferedBytes() const { return buffer_.size(); }

private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  enum class Outcome { Delivered, NeedMore, Failed };

  Outcome TryAt(std::size_t start);
  // Reads the section at `start` as if the byte at `pointer` (kNone: none) were left out.
  Outcome TryLayout(std::size_t start, std::size_t pointer);
  std::size_t EndPointer(std::size_t start) const;
  std::size_t SizeAt(std::size_t high, std::size_t low) const;
  bool PointerAimsAt(std::size_t start) const;
  void Compact();

  std::array<bool, 256> wanted_{};
  std::vector<std::uint8_t> buffer_;
  std::size_t readPos_ = 0;
  std::size_t expected_ = kNone;
  std::array<std::uint8_t, kMaxSectionSize> section_{};
  std::size_t sectionSize_ = 0;
  std::size_t span_ = 0;
  std::uint64_t rejected_ = 0;
};

} // namespace qev::si
