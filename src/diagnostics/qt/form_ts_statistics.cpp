#include "diagnostics/qt/form_ts_statistics.h"

#include "diagnostics/packet_source.h"
#include "diagnostics/qt/hist_scope.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace qev::diagnostics {

namespace {

constexpr int kRefreshMs = 1000;
constexpr int kRateColumn = static_cast<int>(TStatColumn::Rate);

QRect ToQRect(const TRect &r) { return QRect(r.Left, r.Top, r.Width, r.Height); }

} // namespace

void TStatTableModel::SetRows(const TStatList &list, double maxRate) {
  beginResetModel();
  rows_ = list.Rows();
  maxRate_ = maxRate;
  endResetModel();
}

int TStatTableModel::rowCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int TStatTableModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : 3;
}

QVariant TStatTableModel::data(const QModelIndex &index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid())
    return {};
  const TStatRow &row = Row(index.row());
  switch (static_cast<TStatColumn>(index.column())) {
  case TStatColumn::Pid:
    return QString::fromStdString(PidText(row.Pid));
  case TStatColumn::Rate:
    return maxRate_ > 0 ? QString::fromStdString(RateText(row.RateKBs)) : QString();
  case TStatColumn::DataType:
    return QString::fromStdString(RowTypeText(row));
  }
  return {};
}

QVariant TStatTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
    return {};
  static const char *const kCaptions[] = {"PID", "Data Rate (KB/Sec)", "Data Type"};
  return section >= 0 && section < 3 ? QString(kCaptions[section]) : QVariant();
}

void TRateDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const {
  const auto *model = static_cast<const TStatTableModel *>(index.model());
  if (model->MaxRate() <= 0)
    return;
  const QRect r = option.rect;
  const TStatRow &row = model->Row(index.row());
  const TRateCell cell =
      RateCellGeometry(TRect{r.left(), r.top(), r.width(), r.height()}, row, model->MaxRate());
  painter->save();
  painter->setPen(Qt::black);
  painter->drawText(ToQRect(cell.Text), Qt::AlignRight | Qt::AlignVCenter,
                    QString::fromStdString(RateText(row.RateKBs)));
  painter->fillRect(ToQRect(cell.Scrambled), BgrColor(kScrambledColor));
  painter->fillRect(ToQRect(cell.Clear), BgrColor(kClearColor));
  painter->restore();
}

TFormTsStatistics::TFormTsStatistics(TPacketSource &source, QWidget *parent)
    : QDialog(parent), source_(source), stats_(std::make_unique<TTsStatistics>()) {
  setObjectName("tsStatistics");
  setWindowTitle(tr("Transport Stream"));
  auto *layout = new QVBoxLayout(this);
  model_ = new TStatTableModel(this);
  view_ = new QTableView;
  view_->setObjectName("pidList");
  view_->setModel(model_);
  view_->setFont(QFont("Tahoma", 8));
  view_->setItemDelegateForColumn(kRateColumn, new TRateDelegate(view_));
  view_->verticalHeader()->hide();
  view_->verticalHeader()->setDefaultSectionSize(18);
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setColumnWidth(0, 60);
  view_->setColumnWidth(1, 260);
  view_->horizontalHeader()->setStretchLastSection(true);
  connect(view_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
    list_.SortBy(static_cast<TStatColumn>(column));
    model_->SetRows(list_, stats_->MaxRateKBs());
  });
  layout->addWidget(view_, 1);

  auto *bottom = new QHBoxLayout;
  total_ = new QLabel("0.0 KB/s");
  total_->setObjectName("totalRate");
  bottom->addWidget(new QLabel(tr("Total:")));
  bottom->addWidget(total_, 1);
  auto *reset = new QPushButton(tr("Reset"));
  reset->setObjectName("resetButton");
  connect(reset, &QPushButton::clicked, this, [this] {
    ResetCounters();
    Refresh();
  });
  bottom->addWidget(reset);
  auto *close = new QPushButton(tr("Close"));
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  bottom->addWidget(close);
  layout->addLayout(bottom);

  ResetCounters();
  StartFilter();
  connect(&timer_, &QTimer::timeout, this, &TFormTsStatistics::Refresh);
  timer_.start(kRefreshMs);
  resize(460, 520);
}

TFormTsStatistics::~TFormTsStatistics() { StopFilter(); }

void TFormTsStatistics::StartFilter() {
  filter_ = source_.Start(kAllPids, [stats = stats_.get()](std::span<const std::uint8_t> block) {
    stats->CountPackets(block);
  });
}

void TFormTsStatistics::StopFilter() {
  if (filter_ > 0)
    source_.Stop(filter_);
  filter_ = 0;
}

void TFormTsStatistics::done(int result) {
  timer_.stop();
  StopFilter();
  QDialog::done(result);
}

// The counters are zeroed between two deliveries: the filter is paused while they are.
void TFormTsStatistics::ResetCounters() {
  const bool running = filter_ > 0;
  StopFilter();
  stats_->Reset();
  last_ = std::chrono::steady_clock::now();
  if (running)
    StartFilter();
}

void TFormTsStatistics::Refresh() {
  const auto now = std::chrono::steady_clock::now();
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - last_).count();
  if (stats_->ComputeRates(elapsed)) {
    last_ = now;
    total_->setText(QString::fromStdString(RateText(stats_->TotalRateKBs())) + " KB/s");
  }
  list_.Refresh(*stats_);
  model_->SetRows(list_, stats_->MaxRateKBs());
}

} // namespace qev::diagnostics
