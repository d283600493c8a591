#pragma once

#include "data/transponder.h"

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace qev::data {

inline constexpr const char *kInvalidTpFile = "Invalid file...";
inline constexpr const char *kDuplicateTp = "Duplicate item";

enum TpOrder : int {
  kTpOrderPolar = 0, // polarisation, frequency, symbol rate
  kTpOrderFreq = 1,  // frequency, polarisation, symbol rate
  kTpOrderSRate = 2, // symbol rate, polarisation, frequency
};

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
  bool TpLoadIni(const std::filesystem::path &file);
  bool TpLoadStream(std::stringstream &stream);
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
};

std::filesystem::path TransponderFileName(int position);

} // namespace qev::data
