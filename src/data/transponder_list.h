#pragma once

#include "data/transponder.h"

#include <cstdint>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace qev::frame {
class TFastIniFile;
}

namespace qev::data {

inline constexpr const char *kInvalidTpFile = "Invalid file...";
inline constexpr const char *kDuplicateTp = "Duplicate item";
inline constexpr const char *kErrSaveTpFile = "Cannot save transponder list.\r\r";

enum TpOrder : int {
  kTpOrderPolar = 0, // polarisation, frequency, symbol rate
  kTpOrderFreq = 1,  // frequency, polarisation, symbol rate
  kTpOrderSRate = 2, // symbol rate, polarisation, frequency
};

// True when a comes before b in the given sort order.
bool TpOrderLess(const TTransponder &a, const TTransponder &b, int order);

// One satellite's transponders, stored as Transponders/NNNN.ini.
class TSatTransponders {
public:
  int Count() const { return static_cast<int>(items_.size()); }
  int MarkedCount() const { return markedCount_; }
  bool Modified() const { return modified_; }
  const std::vector<TTransponder> &Items() const { return items_; }
  std::string PositionText;
  std::string Name;

  void TpClear();
  int TpAdd(const TTransponder &tp);
  // A file that exists but cannot be read gives an empty list and a log line, and is then not
  // written over by this list.
  bool TpLoadIni(const std::filesystem::path &file);
  bool TpLoadStream(std::stringstream &stream);
  // Why the file could not be read at the last TpLoadIni; empty when it could.
  const std::string &ReadError() const { return readError_; }
  // Returns an error text, empty on success.
  std::string TpSaveIni(const std::filesystem::path &file);
  void TpSort(int order);
  // Requires the list in order kTpOrderFreq... or any order: falls back to a scan.
  int TpFind(const TTransponder &tp) const;
  bool TpIsDuplicate(const TTransponder &tp) const;
  TTransponder TpGet(int i) const;
  void TpSet(int i, const TTransponder &tp);
  void TpDelete(int i);
  bool TpMarked(int i) const;
  void TpSetMarked(int i, bool state);
  void TpDeleteMarked();

private:
  bool Valid(int i) const { return i >= 0 && i < Count(); }
  void Recount();

  std::vector<TTransponder> items_;
  int markedCount_ = 0;
  int order_ = -1; // the order the list is known to be in, -1 none
  bool modified_ = true;
  std::string readError_;
};

std::filesystem::path TransponderFileName(int position);

struct TTpIniEntry {
  std::uint32_t Key = 0; // the number before "=" in [DVB]
  std::string Text;
};
// What a transponder list INI holds, before the entries are judged: the [SATTYPE] position and
// name, and the [DVB] entries 1..N that are really there, in key order.
struct TTpIniContent {
  std::string PositionText, Name;
  std::vector<TTpIniEntry> Entries;
};
TTpIniContent ReadTpIni(frame::TFastIniFile &ini);

} // namespace qev::data
