#pragma once

#include <string_view>

namespace qev::frame {

// Message boxes under a caption of their own, for a subsystem that names its boxes (see
// message_boxes.h for the presenter that shows them).
void ShowWarningBox(std::string_view caption, std::string_view text);
void ShowInformationBox(std::string_view caption, std::string_view text);
// A yes/no question; true when the answer is yes.
bool AskBox(std::string_view caption, std::string_view text);

} // namespace qev::frame
