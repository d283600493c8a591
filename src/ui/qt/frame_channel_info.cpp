#include "ui/qt/frame_channel_info.h"

#include "data/code_tables.h"
#include "ui/channel_info_editor.h"
#include "ui/channel_info_texts.h"
#include "ui/qt/image_list.h"

#include <QAbstractTableModel>
#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QStyledItemDelegate>
#include <QThread>
#include <QTreeView>
#include <QVBoxLayout>

#include <array>
#include <functional>
#include <utility>

namespace qev::ui {
namespace {

constexpr const char *kDecCaption = "DEC";
constexpr const char *kHexCaption = "HEX";
constexpr const char *kEditCaption = "Edit";
constexpr const char *kRescanCaption = "Rescan";
constexpr const char *kRecordPidCaption = "Record PID";
constexpr const char *kDisableCaption = "Disable";
constexpr const char *kEnableCaption = "Enable";
constexpr const char *kRecordEcmCaption = "Record ECM PID";
constexpr const char *kRecordEmmCaption = "Record EMM PID";

// What one of the three lists shows; the rows are read through it whenever they are painted.
struct TListSource {
  std::vector<const char *> Headers;
  std::function<int()> Rows;
  std::function<std::string(int row, int column)> Text;
  std::function<int(int row)> Icon; // image number of the first column, 0 = none
  std::function<TCellStyle(int row, int column, bool selectedFocused)> Style;
};

class TInfoListModel final : public QAbstractTableModel {
public:
  explicit TInfoListModel(TListSource source) : source_(std::move(source)) {}

  const TListSource &Source() const { return source_; }
  void Reset() {
    beginResetModel();
    endResetModel();
  }
  // Same rows, other texts or colours.
  void Changed() {
    if (rowCount({}) > 0)
      emit dataChanged(index(0, 0), index(rowCount({}) - 1, columnCount({}) - 1));
  }

  int rowCount(const QModelIndex &parent) const override {
    return parent.isValid() ? 0 : source_.Rows();
  }
  int columnCount(const QModelIndex &parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(source_.Headers.size());
  }
  QVariant data(const QModelIndex &index, int role) const override {
    if (!index.isValid() || index.row() >= source_.Rows())
      return {};
    if (role == Qt::DisplayRole)
      return QString::fromStdString(source_.Text(index.row(), index.column()));
    if (role == Qt::DecorationRole && index.column() == 0 && source_.Icon) {
      const int number = source_.Icon(index.row());
      return number > 0 ? QVariant(ImageListIcon(number)) : QVariant();
    }
    return {};
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < static_cast<int>(source_.Headers.size()))
      return QString(source_.Headers[static_cast<std::size_t>(section)]);
    return {};
  }

private:
  TListSource source_;
};

// Fonts and colours depend on whether the row is selected in the list that has the focus,
// which only the painting knows.
class TInfoListDelegate final : public QStyledItemDelegate {
public:
  explicit TInfoListDelegate(QTreeView &view) : QStyledItemDelegate(&view), view_(view) {}

protected:
  void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const auto *model = dynamic_cast<const TInfoListModel *>(index.model());
    if (!model || !model->Source().Style)
      return;
    const bool selectedFocused = (option->state & QStyle::State_Selected) != 0 && view_.hasFocus();
    const TCellStyle style = model->Source().Style(index.row(), index.column(), selectedFocused);
    if (style.Bold)
      option->font.setBold(true);
    if (style.Monospace) {
      option->font.setFamily(kPidFontFamily);
      option->font.setStyleHint(QFont::Monospace);
    }
    if (style.Color) {
      const QColor color = QColor::fromRgb(static_cast<QRgb>(*style.Color));
      option->palette.setColor(QPalette::Text, color);
      option->palette.setColor(QPalette::HighlightedText, color);
    }
    option->fontMetrics = QFontMetrics(option->font);
  }

private:
  QTreeView &view_;
};

QTreeView *MakeList(const char *name, TInfoListModel &model, QWidget *owner) {
  auto *view = new QTreeView(owner);
  view->setObjectName(name);
  view->setRootIsDecorated(false);
  view->setUniformRowHeights(true);
  view->setAllColumnsShowFocus(true);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  view->setModel(&model);
  view->setItemDelegate(new TInfoListDelegate(*view));
  view->header()->setStretchLastSection(true);
  view->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  return view;
}

QPushButton *MakeButton(const char *caption, QWidget *owner) {
  auto *button = new QPushButton(caption, owner);
  button->setObjectName(caption);
  // Four buttons in a row must not set a floor under the main window's width.
  button->setMinimumWidth(1);
  return button;
}

} // namespace

class TFrameChannelInfo::TImpl final : public QObject {
public:
  TImpl(TFrameChannelInfo &frame, TUiContext &context);
  ~TImpl() override;

  void Refresh();

protected:
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  TListSource StreamSource();
  TListSource CaSource();
  TListSource ParameterSource();
  void BuildLayout();
  void Connect();
  void Repaint();
  void ShowPidNotation();
  void ShowVolume();
  void SetPidNotation(bool hex);
  void StreamMenu(const QPoint &pos);
  void CaMenu(const QPoint &pos);
  void Rescan();
  void VolumeChanged(int value);
  // Notifications may come from any thread; the widgets are touched on their own.
  void OnUiThread(std::function<void()> task);
  static std::array<std::pair<int, frame::NotifyHandler>, 5> Subscriptions();
  void OnSwitchProgress(std::intptr_t progress, std::intptr_t slot);
  void OnChannelSelected(std::intptr_t callerValue, std::intptr_t slot);
  void OnChannelStored(std::intptr_t handle, std::intptr_t callerValue);
  void OnPidNotation(std::intptr_t, std::intptr_t);
  void OnPluginHost(std::intptr_t event, std::intptr_t value);

  TFrameChannelInfo &frame_;
  TUiContext &context_;
  TChannelInfoEditor editor_;
  // Owned here, not by the frame: the views may still ask them for rows while the frame's
  // children are deleted, and then the editor they read must exist or the models be gone.
  std::unique_ptr<TInfoListModel> streams_;
  std::unique_ptr<TInfoListModel> cas_;
  std::unique_ptr<TInfoListModel> params_;
  QLabel *title_ = nullptr;
  QTreeView *streamList_ = nullptr;
  QTreeView *caList_ = nullptr;
  QTreeView *paramList_ = nullptr;
  QPushButton *dec_ = nullptr;
  QPushButton *hex_ = nullptr;
  QPushButton *edit_ = nullptr;
  QPushButton *rescan_ = nullptr;
  QWidget *volumePart_ = nullptr;
  QSlider *volume_ = nullptr;
  QLabel *volumeText_ = nullptr;
  bool loading_ = false;
};

TFrameChannelInfo::TImpl::TImpl(TFrameChannelInfo &frame, TUiContext &context)
    : frame_(frame), context_(context), editor_(context),
      streams_(std::make_unique<TInfoListModel>(StreamSource())),
      cas_(std::make_unique<TInfoListModel>(CaSource())),
      params_(std::make_unique<TInfoListModel>(ParameterSource())) {
  BuildLayout();
  Connect();
  for (const auto &[index, handler] : Subscriptions())
    context_.Hub.Add(index, handler, this);
  Refresh();
}

TFrameChannelInfo::TImpl::~TImpl() {
  for (const auto &[index, handler] : Subscriptions())
    context_.Hub.Remove(index, handler, this);
}

TListSource TFrameChannelInfo::TImpl::StreamSource() {
  const auto item = [this](int row) -> const data::TEsItem & { return editor_.Rec().EsList[row]; };
  return {{kStreamColumns.begin(), kStreamColumns.end()},
          [this] { return editor_.StreamCount(); },
          [this, item](int row, int column) {
            return StreamCellText(item(row), column, editor_.PidsInHex());
          },
          [item](int row) { return data::EsKindIcon(item(row).Kind); },
          [this, item](int row, int, bool selectedFocused) {
            return StreamRowStyle(editor_.Rec(), item(row), selectedFocused);
          }};
}

TListSource TFrameChannelInfo::TImpl::CaSource() {
  const auto item = [this](int row) -> const data::TCaItem & { return editor_.Rec().CaList[row]; };
  return {{kCaColumns.begin(), kCaColumns.end()},
          [this] { return editor_.CaCount(); },
          [this, item](int row, int column) {
            return CaCellText(item(row), column, editor_.PidsInHex());
          },
          [item](int row) { return CaIcon(item(row)); },
          [this, item](int row, int, bool selectedFocused) {
            return CaRowStyle(item(row), editor_.CaFilterOpen(row), selectedFocused);
          }};
}

TListSource TFrameChannelInfo::TImpl::ParameterSource() {
  return {{kParameterColumns.begin(), kParameterColumns.end()},
          [] { return kParameterRows; },
          [this](int row, int column) -> std::string {
            if (column == 0)
              return kParameterNames[static_cast<std::size_t>(row)];
            return ParameterValueText(editor_.Rec(), row, editor_.PidsInHex());
          },
          {},
          [this](int row, int column, bool) {
            return column == 1 ? ParameterValueStyle(row, editor_.PidsInHex()) : TCellStyle{};
          }};
}

std::array<std::pair<int, frame::NotifyHandler>, 5> TFrameChannelInfo::TImpl::Subscriptions() {
  return {{{frame::kNotifySwitchProgress, frame::MethodHandler<TImpl, &TImpl::OnSwitchProgress>},
           {frame::kNotifyChannelSelected, frame::MethodHandler<TImpl, &TImpl::OnChannelSelected>},
           {frame::kNotifyChannelStored, frame::MethodHandler<TImpl, &TImpl::OnChannelStored>},
           {frame::kNotifyPidNotation, frame::MethodHandler<TImpl, &TImpl::OnPidNotation>},
           {frame::kNotifyPluginHost, frame::MethodHandler<TImpl, &TImpl::OnPluginHost>}}};
}

void TFrameChannelInfo::TImpl::BuildLayout() {
  title_ = new QLabel(&frame_);
  title_->setObjectName("Title");
  title_->setFrameShape(QFrame::Panel);
  title_->setFrameShadow(QFrame::Sunken);
  QFont bold = title_->font();
  bold.setBold(true);
  title_->setFont(bold);

  streamList_ = MakeList("StreamList", *streams_, &frame_);
  caList_ = MakeList("CaList", *cas_, &frame_);
  paramList_ = MakeList("ParamList", *params_, &frame_);
  paramList_->setContextMenuPolicy(Qt::NoContextMenu);

  dec_ = MakeButton(kDecCaption, &frame_);
  hex_ = MakeButton(kHexCaption, &frame_);
  for (QPushButton *b : {dec_, hex_})
    b->setCheckable(true);
  auto *notation = new QButtonGroup(&frame_);
  notation->addButton(dec_);
  notation->addButton(hex_);
  edit_ = MakeButton(kEditCaption, &frame_);
  rescan_ = MakeButton(kRescanCaption, &frame_);

  volumePart_ = new QWidget(&frame_);
  volumePart_->setObjectName("VolumePart");
  volume_ = new QSlider(Qt::Horizontal, volumePart_);
  volume_->setObjectName("VolumeSlider");
  volume_->setRange(0, kVolAdjMax);
  volume_->installEventFilter(this);
  volumeText_ = new QLabel(volumePart_);
  volumeText_->setObjectName("VolumeText");
  volumeText_->setMinimumWidth(volumeText_->fontMetrics().horizontalAdvance("200% "));
  auto *volumeRow = new QHBoxLayout(volumePart_);
  volumeRow->setContentsMargins(0, 0, 0, 0);
  volumeRow->addWidget(volume_, 1);
  volumeRow->addWidget(volumeText_);

  auto *buttons = new QHBoxLayout;
  for (QPushButton *b : {dec_, hex_, edit_, rescan_})
    buttons->addWidget(b);
  buttons->addStretch(1);

  auto *column = new QVBoxLayout(&frame_);
  column->setContentsMargins(2, 2, 2, 2);
  column->addWidget(title_);
  column->addWidget(streamList_, 3);
  column->addWidget(caList_, 2);
  column->addWidget(paramList_, 4);
  column->addLayout(buttons);
  column->addWidget(volumePart_);
}

void TFrameChannelInfo::TImpl::Connect() {
  // Storing notifies 7, which refreshes the panel; a store that failed has refreshed the
  // editor only, so the lists are repainted in any case.
  QObject::connect(streamList_, &QTreeView::doubleClicked, this, [this](const QModelIndex &i) {
    editor_.ChooseStream(i.row());
    Refresh();
  });
  QObject::connect(caList_, &QTreeView::doubleClicked, this, [this](const QModelIndex &i) {
    editor_.ChooseEcm(i.row());
    Refresh();
  });
  QObject::connect(streamList_, &QWidget::customContextMenuRequested, this,
                   [this](const QPoint &pos) { StreamMenu(pos); });
  QObject::connect(caList_, &QWidget::customContextMenuRequested, this,
                   [this](const QPoint &pos) { CaMenu(pos); });
  QObject::connect(dec_, &QPushButton::clicked, this, [this] { SetPidNotation(false); });
  QObject::connect(hex_, &QPushButton::clicked, this, [this] { SetPidNotation(true); });
  QObject::connect(edit_, &QPushButton::clicked, this, [this] {
    editor_.Edit();
    Refresh();
  });
  QObject::connect(rescan_, &QPushButton::clicked, this, [this] { Rescan(); });
  QObject::connect(volume_, &QSlider::valueChanged, this, [this](int v) { VolumeChanged(v); });
  QObject::connect(volume_, &QSlider::sliderReleased, this, [this] { editor_.StoreVolume(); });
}

void TFrameChannelInfo::TImpl::Refresh() {
  const std::int32_t shown = editor_.Handle();
  const std::array lists{std::pair{streamList_, streams_.get()}, std::pair{caList_, cas_.get()},
                         std::pair{paramList_, params_.get()}};
  std::array<int, lists.size()> rows{};
  for (std::size_t i = 0; i < lists.size(); ++i)
    rows[i] = lists[i].first->currentIndex().row();
  editor_.Refresh();
  title_->setText(QString::fromStdString(" " + data::ChName(editor_.Rec())));
  for (std::size_t i = 0; i < lists.size(); ++i) {
    auto [view, model] = lists[i];
    model->Reset();
    // An edit of the shown channel keeps the user's place in the lists.
    if (editor_.Handle() == shown && rows[i] >= 0 && rows[i] < model->rowCount({}))
      view->selectionModel()->setCurrentIndex(model->index(rows[i], 0),
                                              QItemSelectionModel::ClearAndSelect |
                                                  QItemSelectionModel::Rows);
  }
  ShowVolume();
  ShowPidNotation();
  edit_->setVisible(editor_.CanEdit());
  rescan_->setVisible(editor_.CanRescan());
}

void TFrameChannelInfo::TImpl::Repaint() {
  for (TInfoListModel *model : {streams_.get(), cas_.get(), params_.get()})
    model->Changed();
}

void TFrameChannelInfo::TImpl::ShowPidNotation() {
  (editor_.PidsInHex() ? hex_ : dec_)->setChecked(true);
}

void TFrameChannelInfo::TImpl::ShowVolume() {
  loading_ = true;
  volume_->setValue(editor_.Rec().VolAdj);
  loading_ = false;
  volumeText_->setText(QString::number(volume_->value()) + "%");
  volumePart_->setVisible(editor_.VolumeVisible());
}

void TFrameChannelInfo::TImpl::SetPidNotation(bool hex) {
  editor_.SetPidsInHex(hex);
  // Posted: the channel editor and this panel follow once the click has been handled.
  QMetaObject::invokeMethod(
      this, [&hub = context_.Hub] { hub.Notify(frame::kNotifyPidNotation, 0, 0); },
      Qt::QueuedConnection);
}

void TFrameChannelInfo::TImpl::StreamMenu(const QPoint &pos) {
  const QModelIndex index = streamList_->indexAt(pos);
  if (!index.isValid() || !editor_.CanRecordPid())
    return;
  QMenu menu(streamList_);
  menu.addAction(kRecordPidCaption, [this, row = index.row()] { editor_.RecordStream(row); });
  menu.exec(streamList_->viewport()->mapToGlobal(pos));
}

void TFrameChannelInfo::TImpl::CaMenu(const QPoint &pos) {
  const QModelIndex index = caList_->indexAt(pos);
  if (!index.isValid())
    return;
  const int row = index.row();
  QMenu menu(caList_);
  menu.addAction(kDisableCaption, [this, row] { editor_.SetCaEnabled(row, false); })
      ->setEnabled(editor_.CaCanDisable(row));
  menu.addAction(kEnableCaption, [this, row] { editor_.SetCaEnabled(row, true); })
      ->setEnabled(editor_.CaCanEnable(row));
  if (editor_.CanRecordPid()) {
    menu.addSeparator();
    menu.addAction(kRecordEcmCaption, [this, row] { editor_.RecordEcm(row); });
    menu.addAction(kRecordEmmCaption, [this, row] { editor_.RecordEmm(row); });
  }
  menu.exec(caList_->viewport()->mapToGlobal(pos));
  Refresh();
}

void TFrameChannelInfo::TImpl::Rescan() {
  rescan_->setEnabled(false);
  editor_.Rescan();
  rescan_->setEnabled(true);
}

void TFrameChannelInfo::TImpl::VolumeChanged(int value) {
  volumeText_->setText(QString::number(value) + "%");
  if (loading_)
    return;
  editor_.MoveVolume(value);
  // Keys and the wheel change the value without a release: those store at once.
  if (!volume_->isSliderDown())
    editor_.StoreVolume();
}

bool TFrameChannelInfo::TImpl::eventFilter(QObject *watched, QEvent *event) {
  if (watched == volume_ && event->type() == QEvent::MouseButtonDblClick) {
    editor_.ResetVolume();
    Refresh();
    return true;
  }
  return false;
}

void TFrameChannelInfo::TImpl::OnUiThread(std::function<void()> task) {
  if (QThread::currentThread() == thread())
    task();
  else
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

// Whether the shown channel is the playing one decides the volume part and the CA emphasis,
// so the end of a slot-0 switch counts as a change of the shown channel.
void TFrameChannelInfo::TImpl::OnSwitchProgress(std::intptr_t progress, std::intptr_t slot) {
  if (progress == device::kSwitchEnded && slot == 0)
    OnUiThread([this] { Refresh(); });
}

void TFrameChannelInfo::TImpl::OnChannelSelected(std::intptr_t, std::intptr_t slot) {
  if (slot == 0)
    OnUiThread([this] { Refresh(); });
}

void TFrameChannelInfo::TImpl::OnChannelStored(std::intptr_t, std::intptr_t) {
  OnUiThread([this] { Refresh(); });
}

void TFrameChannelInfo::TImpl::OnPidNotation(std::intptr_t, std::intptr_t) {
  OnUiThread([this] {
    ShowPidNotation();
    Repaint();
  });
}

void TFrameChannelInfo::TImpl::OnPluginHost(std::intptr_t event, std::intptr_t) {
  constexpr std::intptr_t kFiltersChanged = 4;
  if (event == kFiltersChanged)
    OnUiThread([this] {
      if (editor_.IsPlaying())
        cas_->Changed();
    });
}

TFrameChannelInfo::TFrameChannelInfo(QWidget *owner, TUiContext &context)
    : QWidget(owner), impl_(std::make_unique<TImpl>(*this, context)) {
  setObjectName("FrameChannelInfo");
}

TFrameChannelInfo::~TFrameChannelInfo() = default;

void TFrameChannelInfo::Refresh() { impl_->Refresh(); }

} // namespace qev::ui
