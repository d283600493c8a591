#include "frame/message_boxes.h"

#include "frame/titled_boxes.h"
#include "frame/ui_dispatcher.h"

#include <atomic>
#include <iostream>

namespace qev::frame {

namespace {

// Without windows (the command-line tool, early start-up) a message still reaches the user.
class StderrPresenter final : public MessagePresenter {
public:
  bool Ask(const std::string& caption, const std::string& text, MessageIcon) override {
    std::cerr << caption << ": " << text << " (answered no)\n";
    return false;
  }
  void Tell(const std::string& caption, const std::string& text, MessageIcon) override {
    std::cerr << caption << ": " << text << '\n';
  }
};

StderrPresenter stderrPresenter;
std::atomic<MessagePresenter*> currentPresenter{&stderrPresenter};

template <typename F> void OnUiThreadAndWait(F&& show) {
  UiDispatcher* dispatcher = CurrentDispatcher();
  if (dispatcher == nullptr || dispatcher->IsUiThread())
    show();
  else
    dispatcher->Send(std::forward<F>(show));
}

void Tell(std::string_view caption, std::string_view text, MessageIcon icon) {
  OnUiThreadAndWait(
      [&] { currentPresenter.load()->Tell(std::string(caption), std::string(text), icon); });
}

} // namespace

void SetMessagePresenter(MessagePresenter* presenter) {
  currentPresenter.store(presenter != nullptr ? presenter : &stderrPresenter);
}

bool Confirm(std::string_view text, MessageIcon icon) {
  bool yes = false;
  OnUiThreadAndWait(
      [&] { yes = currentPresenter.load()->Ask(kCaptionConfirmation, std::string(text), icon); });
  return yes;
}

void ShowError(std::string_view text) { Tell(kCaptionError, text, MessageIcon::Error); }

void ShowInformation(std::string_view text) {
  Tell(kCaptionInformation, text, MessageIcon::Information);
}

void ShowWarning(std::string_view text) { Tell(kCaptionWarning, text, MessageIcon::Warning); }

void ShowErrorBox(std::string_view caption, std::string_view text) {
  Tell(caption, text, MessageIcon::Error);
}

void ShowWarningBox(std::string_view caption, std::string_view text) {
  Tell(caption, text, MessageIcon::Warning);
}

void ShowInformationBox(std::string_view caption, std::string_view text) {
  Tell(caption, text, MessageIcon::Information);
}

bool AskBox(std::string_view caption, std::string_view text) {
  bool yes = false;
  OnUiThreadAndWait([&] {
    yes = currentPresenter.load()->Ask(std::string(caption), std::string(text),
                                       MessageIcon::Question);
  });
  return yes;
}

} // namespace qev::frame
