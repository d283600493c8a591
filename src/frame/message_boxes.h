#pragma once

#include <string>
#include <string_view>

namespace qev::frame {

enum class MessageIcon { Question, Error, Information, Warning };

// Shows the four kinds of message box. The GUI's presenter shows real boxes; tests use a
// scripted one that records the texts and gives prepared answers.
class MessagePresenter {
public:
  virtual ~MessagePresenter() = default;
  // A yes/no question; true when the answer is yes.
  virtual bool Ask(const std::string& caption, const std::string& text, MessageIcon icon) = 0;
  // A box with an OK button.
  virtual void Tell(const std::string& caption, const std::string& text, MessageIcon icon) = 0;
};

inline constexpr const char* kCaptionConfirmation = "Confirmation";
inline constexpr const char* kCaptionError = "Error";
inline constexpr const char* kCaptionInformation = "Information";
inline constexpr const char* kCaptionWarning = "Warning";

// Null restores the fallback, which writes to standard error and answers no.
void SetMessagePresenter(MessagePresenter* presenter);

// Callable from any thread: the box is shown on the user-interface thread and the caller waits.
bool Confirm(std::string_view text, MessageIcon icon = MessageIcon::Question);
void ShowError(std::string_view text);
void ShowInformation(std::string_view text);
void ShowWarning(std::string_view text);
// An error box under a caption of its own, for a subsystem that names its boxes.
void ShowErrorBox(std::string_view caption, std::string_view text);

} // namespace qev::frame
