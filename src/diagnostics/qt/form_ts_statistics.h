#pragma once

#include "diagnostics/stat_list.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QStyledItemDelegate>
#include <QTimer>

#include <chrono>
#include <memory>

class QLabel;
class QTableView;

namespace qev::diagnostics {

class TPacketSource;

// The rows of the statistics list for a view.
class TStatTableModel final : public QAbstractTableModel {
  Q_OBJECT
public:
  explicit TStatTableModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}
  void SetRows(const TStatList &list, double maxRate);
  const TStatRow &Row(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  double MaxRate() const { return maxRate_; }

  int rowCount(const QModelIndex &parent = {}) const override;
  int columnCount(const QModelIndex &parent = {}) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
  std::vector<TStatRow> rows_;
  double maxRate_ = 0;
};

// The rate cell: the number and the bar, dark red for the scrambled share.
class TRateDelegate final : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter *painter, const QStyleOptionViewItem &option,
             const QModelIndex &index) const override;
};

// "Transport Stream": every PID of the tuned transponder with its rate and content, from a
// filter on all packets, refreshed once a second.
class TFormTsStatistics final : public QDialog {
  Q_OBJECT
public:
  TFormTsStatistics(TPacketSource &source, QWidget *parent = nullptr);
  ~TFormTsStatistics() override;

  // The once-a-second refresh, now.
  void Refresh();
  const TStatList &List() const { return list_; }
  bool FilterRunning() const { return filter_ > 0; }

private:
  void ResetCounters();
  void StartFilter();
  void StopFilter();
  void done(int result) override;

  TPacketSource &source_;
  std::unique_ptr<TTsStatistics> stats_;
  TStatList list_;
  std::int32_t filter_ = 0;
  std::chrono::steady_clock::time_point last_;
  TStatTableModel *model_ = nullptr;
  QTableView *view_ = nullptr;
  QLabel *total_ = nullptr;
  QTimer timer_;
};

} // namespace qev::diagnostics
