#include "ui/qt/form_diseqc_log.h"

#include <QCloseEvent>
#include <QEvent>
#include <QListWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace qev::ui {

namespace {

// Often enough to follow a sequence as it is sent; the check itself is one comparison.
constexpr int kPollMs = 250;

} // namespace

class TFormDiseqcLog::TImpl : public QObject {
public:
  TImpl(TFormDiseqcLog &form, device::TDiseqcLog &log) : log_(log), list_(new QListWidget(&form)) {
    list_->setObjectName("DiseqcLogList");
    list_->setUniformItemSizes(true);
    list_->setFont(QFont("Monospace"));
    list_->viewport()->installEventFilter(this);
    auto *layout = new QVBoxLayout(&form);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Sync(); });
    timer_.start(kPollMs);
    Sync();
  }

  // The log changes on whichever thread sends; the window follows its version.
  void Sync() {
    const std::uint64_t version = log_.Version();
    if (version == shown_)
      return;
    shown_ = version;
    list_->clear();
    for (const std::string &line : log_.Lines())
      list_->addItem(QString::fromStdString(line));
    list_->scrollToBottom();
  }

  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::MouseButtonDblClick) {
      log_.Clear();
      Sync();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

private:
  device::TDiseqcLog &log_;
  QListWidget *list_;
  QTimer timer_;
  std::uint64_t shown_ = ~std::uint64_t{0};
};

TFormDiseqcLog::TFormDiseqcLog(QWidget *owner, device::TDiseqcLog &log)
    : QWidget(owner, Qt::Window), impl_(std::make_unique<TImpl>(*this, log)) {
  setObjectName("FormDiseqcLog");
  setWindowTitle("DiSEqC Log");
  resize(320, 400);
}

TFormDiseqcLog::~TFormDiseqcLog() = default;

void TFormDiseqcLog::closeEvent(QCloseEvent *event) {
  event->ignore();
  hide();
}

} // namespace qev::ui
