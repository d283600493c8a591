#include "si/scan_log.h"

#include <algorithm>
#include <fmt/format.h>

namespace qev::si {

void TScanLog::Add(std::string_view category, TScanLevel level, std::string text) {
  auto page = std::find_if(pages_.begin(), pages_.end(),
                           [&](const TPage &p) { return p.Category == category; });
  if (page == pages_.end())
    page = pages_.insert(pages_.end(), TPage{std::string(category), {}});
  page->Messages.push_back({level, std::move(text)});
}

void TScanLog::Clear() { pages_.clear(); }

const TScanLog::TPage *TScanLog::Page(std::string_view category) const {
  const auto page = std::find_if(pages_.begin(), pages_.end(),
                                 [&](const TPage &p) { return p.Category == category; });
  return page == pages_.end() ? nullptr : &*page;
}

std::string ScanPageTitle(const TScanLog::TPage &page) {
  return fmt::format("{:04d}-{}", page.Messages.size(), page.Category);
}

std::string ScanPageText(const TScanLog::TPage &page) {
  std::string text;
  for (const TScanMessage &message : page.Messages) {
    text += message.Text;
    text += '\n';
  }
  return text;
}

} // namespace qev::si
