#pragma once

#include "data/transponder_list.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qev::data {

inline constexpr const char *kTpDialogAdd = "Add";
inline constexpr const char *kTpDialogEdit = "Edit";
inline constexpr const char *kErrLoadCoverage = "Cannot load coverage list.\r\r";

// The transponder dialog's OK: frequency and symbol rate above 0.
bool TpDialogOk(std::uint32_t freqMHz, std::uint32_t srate);
// Adds the entry unless the list has it already, then keeps the list by frequency. False when
// it was a duplicate (the caller shows kDuplicateTp) or invalid.
bool TpAddUnique(TSatTransponders &list, const TTransponder &tp);
// Replaces entry i unless another entry already is that transponder; the mark stays.
bool TpEditUnique(TSatTransponders &list, int i, const TTransponder &tp);
// "Delete transponder: 11778,V,27500 ?"
std::string TpDeleteQuestion(const TTransponder &tp);
// "Delete 3 selected transponders ?"
std::string TpDeleteMarkedQuestion(int marked);

bool TpInList(const std::vector<TTransponder> &list, const TTransponder &tp);

enum class TpSelectRule { All, None, NotBlind, Blind, Invert, Warned };
// Marks every entry by one rule; warned holds the text forms of the entries that ended the last
// scan with a warning.
void TpSelect(TSatTransponders &list, TpSelectRule rule, const std::vector<TTransponder> &blind,
              const std::vector<std::string> &warned);

// The criteria of the selection dialog, kept for the program's run by its caller.
struct TTpCriteria {
  std::uint32_t FreqFrom = 10700, FreqTo = 12750;
  std::uint32_t SRateFrom = 1000, SRateTo = 45000;
  bool Horizontal = true, Vertical = true, InBlind = true, NotInBlind = true;
};
bool TpMatches(const TTransponder &tp, const TTpCriteria &criteria, bool inBlind);
void TpSelectBy(TSatTransponders &list, const TTpCriteria &criteria,
                const std::vector<TTransponder> &blind);

// "Can`t find coverage detail for : 11778,V"
std::string NoCoverageText(std::uint32_t freqMHz, char polar);
// "Can`t find coverage image.\r\r" + path
std::string NoCoverageImageText(const std::filesystem::path &image);

// The coverage lines of one satellite, read once and kept until another satellite's are asked.
class TCoverageCache {
public:
  // False with kErrLoadCoverage + path in error when the file cannot be read.
  bool Lines(const std::filesystem::path &file, const std::vector<std::string> *&lines,
             std::string &error);

private:
  std::filesystem::path file_;
  std::vector<std::string> lines_;
};

} // namespace qev::data
