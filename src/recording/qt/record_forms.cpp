#include "recording/qt/record_forms.h"

#include "recording/record_pid_list.h"
#include "ui/channel_info_texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace qev::recording {

namespace {

constexpr int kBytesPerKb = 1024;
constexpr int kLastPid = 0x1FFF;
const QStringList kSizeUnits = {"Bytes", "KB", "MB", "Packets"};
constexpr int kDefaultSizeUnit = 2;

QSpinBox *NumberField(const char *name, std::int64_t value, const QString &suffix) {
  auto *spin = new QSpinBox;
  spin->setObjectName(name);
  spin->setRange(0, INT_MAX);
  spin->setValue(static_cast<int>(std::clamp<std::int64_t>(value, 0, INT_MAX)));
  spin->setSuffix(suffix);
  return spin;
}

// The size field in the unit the caller puts beside it, and the time field in seconds.
TLimitFields AddLimitFields(QFormLayout &form, std::int64_t size, std::uint32_t seconds,
                            QWidget *sizeUnit) {
  TLimitFields fields{NumberField("EditStopASize", size, {}),
                      NumberField("EditStopATime", seconds, QObject::tr(" s"))};
  auto *sizeRow = new QHBoxLayout;
  sizeRow->addWidget(fields.Size, 1);
  sizeRow->addWidget(sizeUnit);
  form.addRow(QObject::tr("Stop after size (0 = none)"), sizeRow);
  form.addRow(QObject::tr("Stop after time (0 = none)"), fields.Time);
  return fields;
}

QDialogButtonBox *AddButtons(QDialog &dialog, QVBoxLayout &column) {
  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setObjectName("BtnOK");
  buttons->button(QDialogButtonBox::Cancel)->setObjectName("BtnCancel");
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  column.addWidget(buttons);
  return buttons;
}

QCheckBox *TableBox(const char *name, const QString &text, bool checked, QHBoxLayout &row) {
  auto *box = new QCheckBox(text);
  box->setObjectName(name);
  box->setChecked(checked);
  row.addWidget(box);
  return box;
}

bool Listed(const std::vector<TRecordPid> &list, std::uint16_t pid) {
  return std::any_of(list.begin(), list.end(), [pid](const TRecordPid &p) { return p.Pid == pid; });
}

QString AskCaption(const TRecordAskData &data) {
  const std::string slot = data.AvSlot < 4 ? std::to_string(data.AvSlot) : "None";
  return QString::fromStdString("REC: " + data::ChName(data.Channel) + " [ CSA=" + slot + " ]");
}

TRecordLimits LimitsOf(const TLimitFields &fields, std::int64_t bytesPerUnit) {
  return {fields.Size->value() * bytesPerUnit, static_cast<std::uint32_t>(fields.Time->value())};
}

} // namespace

// TFormRecordAsk ------------------------------------------------------------------------------

TFormRecordAsk::TFormRecordAsk(QWidget *parent, TRecordAskData &data, bool pidsInHex)
    : QDialog(parent), data_(data) {
  setObjectName("FormRecordAsk");
  setWindowTitle(AskCaption(data));
  auto *column = new QVBoxLayout(this);
  streams_ = new QTreeWidget;
  streams_->setObjectName("TreeES");
  streams_->setRootIsDecorated(false);
  streams_->setColumnCount(static_cast<int>(ui::kStreamColumns.size()));
  QStringList headers;
  for (const char *header : ui::kStreamColumns)
    headers << header;
  streams_->setHeaderLabels(headers);
  column->addWidget(streams_, 1);
  FillStreams(pidsInHex);

  auto *tables = new QHBoxLayout;
  ecm_ = TableBox("CkRecECM", tr("ECM"), data.RecordEcm, *tables);
  pmt_ = TableBox("CkRecPMT", tr("PMT"), data.RecordPmt, *tables);
  pat_ = TableBox("CkRecPAT", tr("PAT"), data.RecordPat, *tables);
  tables->addStretch(1);
  column->addLayout(tables);
  auto *form = new QFormLayout;
  limits_ = AddLimitFields(*form, data.Limits.StopAfterBytes / kBytesPerKb,
                           data.Limits.StopAfterSeconds, new QLabel("KB"));
  column->addLayout(form);
  buttons_ = AddButtons(*this, *column);

  connect(streams_, &QTreeWidget::itemChanged, this, [this] { UpdateOk(); });
  for (QCheckBox *box : {ecm_, pmt_, pat_})
    connect(box, &QCheckBox::toggled, this, [this] { UpdateOk(); });
  UpdateOk();
  resize(streams_->header()->length() + 80, sizeHint().height() + 60);
}

void TFormRecordAsk::FillStreams(bool pidsInHex) {
  const data::TChannelRec &channel = data_.Channel;
  const int count = std::min<int>(channel.EsCount, data::kMaxEsItems);
  for (int i = 0; i < count; ++i) {
    const data::TEsItem &es = channel.EsList[i];
    auto *item = new QTreeWidgetItem(streams_);
    for (int column = 0; column < streams_->columnCount(); ++column)
      item->setText(column, QString::fromStdString(ui::StreamCellText(es, column, pidsInHex)));
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(0, Listed(data_.AutoList, es.Pid) ? Qt::Checked : Qt::Unchecked);
  }
  for (int column = 0; column < streams_->columnCount(); ++column)
    streams_->resizeColumnToContents(column);
}

std::vector<TRecordPid> TFormRecordAsk::ChosenList() const {
  std::vector<bool> ticked;
  for (int i = 0; i < streams_->topLevelItemCount(); ++i)
    ticked.push_back(streams_->topLevelItem(i)->checkState(0) == Qt::Checked);
  return AskedPidList(data_.Channel, data_.AvSlot, ticked, ecm_->isChecked(), pmt_->isChecked(),
                      pat_->isChecked());
}

void TFormRecordAsk::UpdateOk() {
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(!ChosenList().empty());
}

void TFormRecordAsk::accept() {
  std::vector<TRecordPid> chosen = ChosenList();
  if (chosen.empty())
    return;
  data_.Chosen = std::move(chosen);
  data_.RecordEcm = ecm_->isChecked();
  data_.RecordPmt = pmt_->isChecked();
  data_.RecordPat = pat_->isChecked();
  data_.Limits = LimitsOf(limits_, kBytesPerKb);
  QDialog::accept();
}

// TFormRecordPva ------------------------------------------------------------------------------

TFormRecordPva::TFormRecordPva(QWidget *parent, const std::string &channelName,
                               TRecordLimits &limits)
    : QDialog(parent), limits_(limits) {
  setObjectName("FormRecordPva");
  setWindowTitle(QString::fromStdString("REC: " + channelName));
  auto *column = new QVBoxLayout(this);
  auto *form = new QFormLayout;
  fields_ = AddLimitFields(*form, limits.StopAfterBytes / kBytesPerKb, limits.StopAfterSeconds,
                           new QLabel("KB"));
  column->addLayout(form);
  AddButtons(*this, *column);
}

void TFormRecordPva::accept() {
  limits_ = LimitsOf(fields_, kBytesPerKb);
  QDialog::accept();
}

// TFormRecord1Pid -----------------------------------------------------------------------------

TFormRecord1Pid::TFormRecord1Pid(QWidget *parent, TRecordOnePidData &data)
    : QDialog(parent), data_(data) {
  setObjectName("FormRecord1Pid");
  setWindowTitle(QString::fromStdString(data.Caption));
  auto *column = new QVBoxLayout(this);
  auto *form = new QFormLayout;
  pid_ = new QSpinBox;
  pid_->setObjectName("EditPID");
  pid_->setDisplayIntegerBase(16);
  pid_->setPrefix("0x");
  pid_->setRange(0, kLastPid);
  if (data.FullTs) {
    pid_->setPrefix({});
    pid_->setSpecialValueText("FULL TS");
    pid_->setValue(0);
    pid_->setEnabled(false);
  } else {
    pid_->setValue(std::min<int>(data.Pid, kLastPid));
  }
  form->addRow(tr("PID"), pid_);
  packetSize_ = new QComboBox;
  packetSize_->setObjectName("ComboPkSize");
  if (data.Packets188)
    packetSize_->addItem("188");
  packetSize_->addItem("184");
  packetSize_->setEnabled(!data.FullTs);
  form->addRow(tr("Packet size"), packetSize_);
  sizeUnit_ = new QComboBox;
  sizeUnit_->setObjectName("ComboSizeUM");
  sizeUnit_->addItems(kSizeUnits);
  sizeUnit_->setCurrentIndex(kDefaultSizeUnit);
  limits_ =
      AddLimitFields(*form, data.Limits.StopAfterBytes, data.Limits.StopAfterSeconds, sizeUnit_);
  sizeUnit_->setCurrentIndex(data.Limits.StopAfterBytes != 0 ? 0 : kDefaultSizeUnit);
  info_ = new QLineEdit(QString::fromStdString(data.Info));
  info_->setObjectName("EditInfoEv");
  form->addRow(tr("Info"), info_);
  column->addLayout(form);
  refusal_ = new QLabel(tr("PID 0x1FFF carries only null packets and is never recorded."));
  refusal_->setObjectName("PidRefusal");
  refusal_->setStyleSheet("color: red");
  column->addWidget(refusal_);
  buttons_ = AddButtons(*this, *column);
  connect(pid_, &QSpinBox::valueChanged, this, [this] { UpdateOk(); });
  UpdateOk();
}

// The null-packet PID would be dropped from the list and the recording refused after the
// dialog; it is refused here, where the user can still change it.
void TFormRecord1Pid::UpdateOk() {
  const bool recordable = data_.FullTs || RecordablePid(static_cast<std::uint16_t>(pid_->value()));
  refusal_->setVisible(!recordable);
  buttons_->button(QDialogButtonBox::Ok)->setEnabled(recordable);
}

int TFormRecord1Pid::PacketSize() const {
  if (data_.FullTs)
    return kModePackets;
  bool number = false;
  const int size = packetSize_->currentText().toInt(&number);
  return number ? size : 184;
}

void TFormRecord1Pid::accept() {
  if (!buttons_->button(QDialogButtonBox::Ok)->isEnabled())
    return;
  data_.Info = info_->text().trimmed().toStdString();
  const int packetSize = PacketSize();
  if (!data_.FullTs)
    data_.Pid = static_cast<std::uint16_t>(pid_->value());
  data_.Mode = packetSize == kModePackets ? kModePackets : kModePayloads;
  data_.Limits.StopAfterBytes =
      LimitBytes(limits_.Size->value(), sizeUnit_->currentIndex(), packetSize);
  data_.Limits.StopAfterSeconds = static_cast<std::uint32_t>(limits_.Time->value());
  QDialog::accept();
}

// TQtRecordDialogs ----------------------------------------------------------------------------

TQtRecordDialogs::TQtRecordDialogs(std::function<QWidget *()> owner,
                                   std::function<bool()> pidsInHex)
    : owner_(std::move(owner)), pidsInHex_(std::move(pidsInHex)) {}

bool TQtRecordDialogs::AskChannel(TRecordAskData &data) {
  TFormRecordAsk form(owner_(), data, pidsInHex_ && pidsInHex_());
  return form.exec() == QDialog::Accepted && !data.Chosen.empty();
}

bool TQtRecordDialogs::AskPva(const std::string &channelName, TRecordLimits &limits) {
  TFormRecordPva form(owner_(), channelName, limits);
  return form.exec() == QDialog::Accepted;
}

bool TQtRecordDialogs::AskOnePid(TRecordOnePidData &data) {
  TFormRecord1Pid form(owner_(), data);
  return form.exec() == QDialog::Accepted;
}

} // namespace qev::recording
