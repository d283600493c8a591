#pragma once

#include "frame/message_boxes.h"

#include <QString>

namespace qev::frame {

// Real message boxes: exact caption, the kind's icon, modal to the whole program and on top.
class TQtMessagePresenter final : public MessagePresenter {
public:
  bool Ask(const std::string& caption, const std::string& text, MessageIcon icon) override;
  void Tell(const std::string& caption, const std::string& text, MessageIcon icon) override;
};

// Texts written for the other platform use CR alone as a line break.
QString MessageBoxText(const std::string& text);

} // namespace qev::frame
