#include "data/favorites.h"

#include "data/data_file.h"
#include "data/transponder.h"
#include "frame/app_paths.h"
#include "frame/atomic_file.h"
#include "frame/case_fold.h"
#include "frame/string_utils.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstring>

namespace qev::data {

namespace fs = std::filesystem;

namespace {

bool InRange(int n) { return n >= 1 && n <= TFavorites::kSlots; }

bool IsWordBreak(unsigned char c) {
  return c <= ' ' || std::strchr("!\"()*+,-./:;<=>?[\\]^{|}", c) != nullptr;
}

// The lines of a text file; false when it is missing or cannot be read (logged).
bool ReadLines(const fs::path &file, std::vector<std::string> &lines, std::string &readError) {
  const TFileContent content = ReadDataFile(file);
  readError = content.Reason;
  if (content.Status == FileReadStatus::Unreadable)
    LogUnreadable(content);
  lines = TextLines(content.Text);
  return content.Status == FileReadStatus::Read;
}

} // namespace

bool TFavorites::FavLoad(const fs::path &file) {
  names_.fill({});
  std::vector<std::string> lines;
  const bool ok = ReadLines(file, lines, readError_);
  for (const std::string &raw : lines) {
    const std::string line = frame::Trim(raw);
    if (line.empty() || line[0] == ';')
      continue;
    const std::vector<std::string> parts = frame::SplitAt(line, "=");
    if (parts.size() < 2)
      continue;
    const std::uint32_t n = NumberOr0(parts[0]);
    if (InRange(static_cast<int>(n)))
      names_[n] = frame::Trim(parts[1]);
  }
  return ok;
}

std::string TFavorites::FavSave(const fs::path &file) const {
  const fs::path target = frame::FindExisting(file);
  if (!readError_.empty())
    return UnreadableSaveText(kErrSaveFavorites, target, readError_);
  std::string text;
  for (int n = 1; n <= kSlots; ++n) {
    if (!names_[static_cast<std::size_t>(n)].empty())
      text += fmt::format("{:02d}={}\r\n", n, names_[static_cast<std::size_t>(n)]);
  }
  const std::string error = frame::WriteFileAtomically(target, text);
  return error.empty() ? error : kErrSaveFavorites + error;
}

std::string TFavorites::FavName(int n) const {
  return InRange(n) ? names_[static_cast<std::size_t>(n)] : std::string();
}

void TFavorites::SetFavName(int n, std::string_view name) {
  if (InRange(n))
    names_[static_cast<std::size_t>(n)] = std::string(name);
}

std::string TFavorites::FavText(const std::uint8_t (&favCat)[4]) const {
  std::string text;
  for (const std::uint8_t n : favCat) {
    if (n == 0)
      continue;
    if (!text.empty())
      text += ',';
    text += FavName(n);
  }
  return text;
}

int TFavorites::FirstFreeSlot() const {
  for (int n = 1; n <= kSlots; ++n) {
    if (names_[static_cast<std::size_t>(n)].empty())
      return n;
  }
  return 0;
}

bool FavHas(const std::uint8_t (&favCat)[4], int n) {
  return std::find(std::begin(favCat), std::end(favCat), n) != std::end(favCat);
}

FavChange FavAdd(std::uint8_t (&favCat)[4], int n) {
  if (!InRange(n))
    return FavChange::OutOfRange;
  if (FavHas(favCat, n))
    return FavChange::AlreadyMember;
  std::uint8_t *empty = std::find(std::begin(favCat), std::end(favCat), 0);
  if (empty == std::end(favCat))
    return FavChange::Full;
  *empty = static_cast<std::uint8_t>(n);
  std::sort(std::begin(favCat), std::end(favCat));
  return FavChange::Done;
}

void FavRemove(std::uint8_t (&favCat)[4], int n) {
  if (!InRange(n))
    return;
  std::replace(std::begin(favCat), std::end(favCat), static_cast<std::uint8_t>(n), std::uint8_t{0});
  std::sort(std::begin(favCat), std::end(favCat));
}

bool FavQuickToggle(std::uint8_t (&favCat)[4]) {
  // Any membership other than slot 1 alone needs the editor: a blind toggle of the last place
  // would drop whatever favourite sits there.
  if (favCat[0] || favCat[1] || favCat[2] || favCat[3] > 1)
    return false;
  favCat[3] = favCat[3] == 0 ? 1 : 0;
  return true;
}

std::string FavTitleCase(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  bool wordStart = true;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t start = pos;
    const auto c = frame::NextCodePoint(text, pos);
    if (!c) {
      out += text[start]; // not UTF-8: kept as it is
      wordStart = false;
    } else if (*c < 0x80 && IsWordBreak(static_cast<unsigned char>(*c))) {
      out += static_cast<char>(*c);
      wordStart = true;
    } else {
      frame::AppendUtf8(out, wordStart ? frame::UpperCase(*c) : frame::LowerCase(*c));
      wordStart = false;
    }
  }
  return out;
}

void TCategories::CategLoad(const fs::path &file) {
  std::vector<std::string> lines;
  std::string readError;
  ReadLines(file, lines, readError);
  names_ = std::move(lines);
  if (names_.empty())
    names_.push_back(kUnknownCategory);
}

std::string TCategories::CategName(int i) const {
  if (i <= 0 || i >= static_cast<int>(names_.size()))
    return {};
  return names_[static_cast<std::size_t>(i)];
}

int FavAddCategory(TFavorites &favorites, std::string_view name) {
  const int slot = favorites.FirstFreeSlot();
  const std::string trimmed = frame::Trim(name);
  if (slot == 0 || trimmed.empty())
    return 0;
  favorites.SetFavName(slot, FavTitleCase(trimmed));
  return slot;
}

} // namespace qev::data
