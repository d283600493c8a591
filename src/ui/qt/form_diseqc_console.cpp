#include "ui/qt/form_diseqc_console.h"

namespace qev::ui {

class TFormDiseqcConsole::TImpl {
public:
  explicit TImpl(TUiContext &context) : context_(context) {}
  TUiContext &context_;
};

TFormDiseqcConsole *TFormDiseqcConsole::ShowConsole(QWidget *, TUiContext &) { return nullptr; }

TFormDiseqcConsole::TFormDiseqcConsole(QWidget *owner, TUiContext &context)
    : QWidget(owner), impl_(std::make_unique<TImpl>(context)) {}

TFormDiseqcConsole::~TFormDiseqcConsole() = default;

} // namespace qev::ui
