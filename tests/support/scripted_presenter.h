#pragma once

#include "frame/message_boxes.h"

#include <deque>
#include <string>
#include <vector>

namespace qev::test {

// Records every message box and answers questions from a prepared list (no, when it runs out).
class ScriptedPresenter : public frame::MessagePresenter {
public:
  struct Shown {
    std::string caption;
    std::string text;
    frame::MessageIcon icon;
  };

  ScriptedPresenter() { frame::SetMessagePresenter(this); }
  ~ScriptedPresenter() override { frame::SetMessagePresenter(nullptr); }

  void AnswerNext(bool yes) { answers_.push_back(yes); }

  bool Ask(const std::string& caption, const std::string& text, frame::MessageIcon icon) override {
    shown.push_back({caption, text, icon});
    if (answers_.empty())
      return false;
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
  }
  void Tell(const std::string& caption, const std::string& text, frame::MessageIcon icon) override {
    shown.push_back({caption, text, icon});
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& s : shown)
      texts.push_back(s.text);
    return texts;
  }

  std::vector<Shown> shown;

private:
  std::deque<bool> answers_;
};

} // namespace qev::test
