#include "teletext/ttx_navigator.h"

namespace qev::teletext {
namespace {

constexpr std::size_t kTypedDigits = 3;

bool ValidPage(int page) { return page >= kTtxFirstPage && page <= kTtxLastPage; }

} // namespace

bool IsTtxWindowNotification(int value, int subpage) {
  return value == kTtxCacheEvent || (ValidPage(value) && subpage >= 0 && subpage <= kTtxMaxSubPage);
}

std::string TtxWaitingText(int page) {
  return "Wait: Page " + std::to_string(page) + " is not in cache !";
}

bool TTtxNavigator::GoToPage(int page, int subpage) {
  if (!ValidPage(page) || subpage > kTtxMaxSubPage || subpage < -1)
    return false;
  if (page != page_) {
    autoSubPage_ = true;
    previousPage_ = page_;
    backVisible_ = previousPage_ >= kTtxFirstPage;
    typed_ = std::to_string(page);
  }
  page_ = page;
  if (subpage < 0) {
    const auto entry = cache_.Entry(page);
    if (entry && entry->Filled[entry->LastSubPage])
      subpage = entry->LastSubPage;
  }
  subPage_ = subpage;
  return true;
}

TTtxRedraw TTtxNavigator::TypeDigit(int digit) {
  if (digit < 0 || digit > 9)
    return TTtxRedraw::Nothing;
  if (typed_.size() >= kTypedDigits)
    typed_.clear();
  typed_ += static_cast<char>('0' + digit);
  if (typed_.size() == kTypedDigits && GoToPage(std::stoi(typed_), -1))
    return TTtxRedraw::Page;
  return TTtxRedraw::Header;
}

void TTtxNavigator::Escape() { typed_ = page_ ? std::to_string(page_) : std::string(); }

TTtxRedraw TTtxNavigator::Back() {
  if (!GoToPage(previousPage_, -1))
    return TTtxRedraw::Nothing;
  backVisible_ = false;
  return TTtxRedraw::Page;
}

TTtxRedraw TTtxNavigator::SubPageButton(int subpage) {
  if (page_ == 0 || subpage < 0 || subpage >= kTtxSubPageButtons)
    return TTtxRedraw::Nothing;
  if (subpage == subPage_) {
    autoSubPage_ = !autoSubPage_;
    return TTtxRedraw::Page;
  }
  GoToPage(page_, subpage);
  autoSubPage_ = false;
  return TTtxRedraw::Page;
}

TTtxRedraw TTtxNavigator::AutoButton() {
  autoSubPage_ = true;
  return TTtxRedraw::Page;
}

std::optional<int> TTtxNavigator::NeighbourSubPage(int step) const {
  const auto entry = cache_.Entry(page_);
  if (!entry)
    return std::nullopt;
  for (int subpage = subPage_ + step; subpage >= 0 && subpage <= kTtxMaxSubPage; subpage += step) {
    if (entry->Filled[subpage])
      return subpage;
  }
  return std::nullopt;
}

TTtxRedraw TTtxNavigator::Gesture(TTtxGesture gesture) {
  switch (gesture) {
  case TTtxGesture::Page100:
    return GoToPage(kTtxFirstPage, -1) ? TTtxRedraw::Page : TTtxRedraw::Nothing;
  case TTtxGesture::Close:
    return TTtxRedraw::Close;
  case TTtxGesture::NextPage:
  case TTtxGesture::PreviousPage: {
    const int page = page_ + (gesture == TTtxGesture::NextPage ? 1 : -1);
    return GoToPage(page, -1) ? TTtxRedraw::Page : TTtxRedraw::Nothing;
  }
  case TTtxGesture::NextSubPage:
  case TTtxGesture::PreviousSubPage: {
    // Steps to the neighbouring stored subpage; the stream no longer moves the page on.
    const auto subpage = NeighbourSubPage(gesture == TTtxGesture::NextSubPage ? 1 : -1);
    if (!subpage)
      return TTtxRedraw::Nothing;
    GoToPage(page_, *subpage);
    autoSubPage_ = false;
    return TTtxRedraw::Page;
  }
  }
  return TTtxRedraw::Nothing;
}

TTtxRedraw TTtxNavigator::SetLanguage(int choice) {
  languageChoice_ = choice;
  return TTtxRedraw::Page;
}

int TTtxNavigator::NationalCode(const std::optional<TtxPageBuffer> &shown) const {
  if (languageChoice_ != kTtxLanguageAuto)
    return languageChoice_;
  return shown ? shown->NationalOption : 0;
}

TTtxRedraw TTtxNavigator::OnNotification(int value, int subpage) {
  if (value == kTtxCacheEvent) {
    latest_.Clear();
    if (subpage == 0) {
      page_ = 0;
      previousPage_ = 0;
      subPage_ = -1;
      backVisible_ = false;
      return TTtxRedraw::Page;
    }
    return GoToPage(kTtxFirstPage, -1) ? TTtxRedraw::Page : TTtxRedraw::Nothing;
  }
  if (!IsTtxWindowNotification(value, subpage))
    return TTtxRedraw::Nothing;
  if (value == page_ && autoSubPage_) {
    GoToPage(value, subpage);
    return TTtxRedraw::Page;
  }
  const auto arrived = cache_.Get(value, subpage);
  if (arrived && latest_.Update(*arrived, ShownPage().has_value()))
    return TTtxRedraw::Header;
  return TTtxRedraw::Nothing;
}

std::optional<TtxPageBuffer> TTtxNavigator::ShownPage() const {
  if (page_ == 0 || subPage_ < 0)
    return std::nullopt;
  return cache_.Get(page_, subPage_);
}

std::array<TTtxSubPageButton, kTtxSubPageButtons> TTtxNavigator::SubPageButtons() const {
  std::array<TTtxSubPageButton, kTtxSubPageButtons> buttons{};
  const auto entry = page_ ? cache_.Entry(page_) : std::nullopt;
  for (int i = 0; i < kTtxSubPageButtons; ++i) {
    buttons[i].Enabled = entry && entry->Filled[i];
    buttons[i].Current = i == subPage_;
  }
  return buttons;
}

TTtxRowBytes TTtxNavigator::HeaderRow() const {
  const auto shown = ShownPage();
  return BuildHeaderRow(typed_, shown ? &*shown : nullptr, latest_);
}

std::string TTtxNavigator::Message() const {
  return page_ == 0 ? std::string(kTtxDisabledText) : TtxWaitingText(page_);
}

} // namespace qev::teletext
