#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qev::si {

// The icon a message of the scanner's log carries.
enum class TScanLevel : int { Success = 0, Information = 1, Warning = 2, Error = 3 };

struct TScanMessage {
  TScanLevel Level = TScanLevel::Information;
  std::string Text;
};

// The scanner's message log: one page per category ("Scan", "Test", "Warnings", "No signal"),
// pages in the order their first message came.
class TScanLog {
public:
  struct TPage {
    std::string Category;
    std::vector<TScanMessage> Messages;
  };

  void Add(std::string_view category, TScanLevel level, std::string text);
  void Clear();
  const std::vector<TPage> &Pages() const { return pages_; }
  const TPage *Page(std::string_view category) const;

private:
  std::vector<TPage> pages_;
};

// "0012-Scan": the message count as four digits, "-" and the category.
std::string ScanPageTitle(const TScanLog::TPage &page);
// The page's messages, one a line, as the clipboard gets them.
std::string ScanPageText(const TScanLog::TPage &page);

} // namespace qev::si
