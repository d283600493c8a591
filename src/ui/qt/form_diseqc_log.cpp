#include "ui/qt/form_diseqc_log.h"

namespace qev::ui {

class TFormDiseqcLog::TImpl {
public:
  explicit TImpl(device::TDiseqcLog &log) : log_(log) {}
  device::TDiseqcLog &log_;
};

TFormDiseqcLog::TFormDiseqcLog(QWidget *owner, device::TDiseqcLog &log)
    : QWidget(owner), impl_(std::make_unique<TImpl>(log)) {}

TFormDiseqcLog::~TFormDiseqcLog() = default;

} // namespace qev::ui
