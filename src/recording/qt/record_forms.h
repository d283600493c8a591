#pragma once

#include "recording/record_dialogs.h"

#include <QDialog>

#include <functional>
#include <string>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTreeWidget;

namespace qev::recording {

// The size and time limit fields every recorder dialog has.
struct TLimitFields {
  QSpinBox *Size = nullptr; // EditStopASize
  QSpinBox *Time = nullptr; // EditStopATime, seconds
};

// The PIDs of a channel recording on a device that delivers TS packets: the channel's streams
// to tick, the ECM, PMT and PAT boxes and the limits. OK needs at least one PID to record.
class TFormRecordAsk final : public QDialog {
  Q_OBJECT
public:
  TFormRecordAsk(QWidget *parent, TRecordAskData &data, bool pidsInHex);
  void accept() override;
  // The list that OK would give.
  std::vector<TRecordPid> ChosenList() const;

private:
  void FillStreams(bool pidsInHex);
  void UpdateOk();

  TRecordAskData &data_;
  QTreeWidget *streams_ = nullptr;
  QCheckBox *ecm_ = nullptr;
  QCheckBox *pmt_ = nullptr;
  QCheckBox *pat_ = nullptr;
  TLimitFields limits_;
  QDialogButtonBox *buttons_ = nullptr;
};

// The limits of a channel recording on a device that delivers its own stream format.
class TFormRecordPva final : public QDialog {
  Q_OBJECT
public:
  TFormRecordPva(QWidget *parent, const std::string &channelName, TRecordLimits &limits);
  void accept() override;

private:
  TRecordLimits &limits_;
  TLimitFields fields_;
};

// One PID, or the whole transport stream: packet size, limits and the info text of the name.
class TFormRecord1Pid final : public QDialog {
  Q_OBJECT
public:
  TFormRecord1Pid(QWidget *parent, TRecordOnePidData &data);
  void accept() override;

private:
  void UpdateOk();
  int PacketSize() const;

  TRecordOnePidData &data_;
  QSpinBox *pid_ = nullptr;
  QComboBox *packetSize_ = nullptr;
  QComboBox *sizeUnit_ = nullptr;
  QLineEdit *info_ = nullptr;
  QLabel *refusal_ = nullptr;
  TLimitFields limits_;
  QDialogButtonBox *buttons_ = nullptr;
};

// The recorder's questions as modal windows over the owner the program gives at the time.
class TQtRecordDialogs final : public IRecordDialogs {
public:
  TQtRecordDialogs(std::function<QWidget *()> owner, std::function<bool()> pidsInHex);
  bool AskChannel(TRecordAskData &data) override;
  bool AskPva(const std::string &channelName, TRecordLimits &limits) override;
  bool AskOnePid(TRecordOnePidData &data) override;

private:
  std::function<QWidget *()> owner_;
  std::function<bool()> pidsInHex_;
};

} // namespace qev::recording
