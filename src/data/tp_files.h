#pragma once

#include "data/transponder.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qev::data {

inline constexpr const char *kErrSaveBlind = "Cannot save list of transponders without signal.\r\r";
inline constexpr const char *kErrSaveCoverage = "Cannot save .CVR file !\r\r";
inline constexpr const char *kErrSaveSdx = "Save error\r\r";
inline constexpr const char *kErrSdxInvalid = "Downloaded file is invalid...";
inline constexpr std::size_t kPcaTableSize = 2048;

// The blind list NNNN.tws: entry text forms, one per line.
std::vector<TTransponder> ParseTws(std::string_view text);
// A file that cannot be read gives none and a log line.
std::vector<TTransponder> LoadTws(const std::filesystem::path &file);
// Returns an error text (with the message prefix), empty on success. Like every writer here it
// never replaces a file that exists but cannot be read.
std::string SaveTws(const std::filesystem::path &file, const std::vector<TTransponder> &list);

// One service of a SATCODX file.
struct TSdxItem {
  char Kind = 0; // 'T' TV, 'R' radio, others
  std::string Name;
  std::uint32_t FreqMHz = 0;
  char Polar = 0;
  std::uint32_t SRate = 0;
  std::string Beam; // safe to use in a file name
  std::uint16_t SID = 0;
  std::uint16_t TID = 0;
};
inline constexpr std::size_t kSdxItemBytes = 44; // what the information box counts per item

struct TSdxFile {
  std::string SatName;
  std::vector<TSdxItem> Items; // sorted by TID, then SID
  const TSdxItem *Find(std::uint16_t tid, std::uint16_t sid) const;
  // Every item's transponder once.
  std::vector<TTransponder> Transponders() const;
  // "freq,pol=beam" for items with a beam, sorted, without duplicates.
  std::vector<std::string> CoverageLines() const;
};
TSdxFile ParseSdx(std::string_view text);
// A downloaded file replaces NNNN.sdx only when it holds services; else kErrSdxInvalid.
std::string SaveDownloadedSdx(const std::filesystem::path &file, std::string_view content);
// Letters, digits, "-", "_" and "." only, so a beam name read from a download never reaches a path
// as anything else.
std::string SafeBeamName(std::string_view beam);

#pragma pack(push, 1)
struct TPcaRec {
  std::uint32_t FreqKHz;
  char Polar;
  std::uint16_t SID;
  std::uint8_t Categ;
};
#pragma pack(pop)
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(TPcaRec) == 8);
static_assert(offsetof(TPcaRec, FreqKHz) == 0 && offsetof(TPcaRec, Polar) == 4);
static_assert(offsetof(TPcaRec, SID) == 5 && offsetof(TPcaRec, Categ) == 7);

// At most the first 2048 records; a missing file gives none.
std::vector<TPcaRec> LoadPca(const std::filesystem::path &file);
std::optional<std::uint8_t> PcaCategory(const std::vector<TPcaRec> &table, std::uint32_t freqKHz,
                                        char polar, std::uint16_t sid);

std::string SaveCoverage(const std::filesystem::path &file, const std::vector<std::string> &lines);
// The beam of the first line with the same polarisation and less than 3 MHz away, or empty.
std::string CoverageBeam(const std::vector<std::string> &lines, std::uint32_t freqMHz, char polar);
std::vector<std::string> LoadLines(const std::filesystem::path &file, bool &ok);

} // namespace qev::data
