#include "plugins/qt/form_plugin_viewer.h"

#include "frame/notification_hub.h"
#include "frame/string_utils.h"
#include "plugins/monitor_menu.h"
#include "plugins/profile_editor_model.h"
#include "plugins/qt/form_profile_editor.h"
#include "plugins/qt/plugin_menu_qt.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qev::plugins {
namespace {

constexpr int kMenuColumn = 2;
constexpr int kFilterRefreshMs = 1000; // the byte counts move while the window shows

QTreeWidget *NewTable(const QString &name, const QStringList &headers, QWidget *parent) {
  auto *table = new QTreeWidget(parent);
  table->setObjectName(name);
  table->setHeaderLabels(headers);
  table->setRootIsDecorated(false);
  table->setUniformRowHeights(true);
  return table;
}

QIcon LogIcon(PluginLogKind kind) {
  QStyle *style = QApplication::style();
  switch (kind) {
  case PluginLogKind::PluginAction:
    return style->standardIcon(QStyle::SP_ArrowRight);
  case PluginLogKind::Warning:
    return style->standardIcon(QStyle::SP_MessageBoxWarning);
  case PluginLogKind::Error:
    return style->standardIcon(QStyle::SP_MessageBoxCritical);
  case PluginLogKind::PluginLoaded:
    return style->standardIcon(QStyle::SP_DialogApplyButton);
  case PluginLogKind::FilterAdded:
    return style->standardIcon(QStyle::SP_FileDialogDetailedView);
  default:
    return style->standardIcon(QStyle::SP_MessageBoxInformation);
  }
}

} // namespace

QString SlotCaption(int slot) {
  static const char *const kCaptions[kPluginSlots] = {"AV0-Main", "AV1-PIP", "AV2-PIP2",
                                                      "AV3-PIP3"};
  return slot >= 0 && slot < kPluginSlots ? kCaptions[slot] : QString();
}

class TFormPluginViewer::TImpl : public QObject {
public:
  TImpl(TFormPluginViewer &form, TPluginViewerLinks links)
      : form_(form), links_(std::move(links)),
        plugins_(NewTable("PluginTree", {"Library", "Name", "Menu"}, &form)),
        filters_(NewTable("FilterTable", {"#", "PID", "Name", "Plugin", "AV", "Bytes"}, &form)),
        log_(NewTable("PluginLog", {"Text", "Plugin", "AV"}, &form)),
        commands_(new QListWidget(&form)), profile_(new QComboBox(&form)) {
    commands_->setObjectName("CommandLog");
    profile_->setObjectName("ProfileChooser");
    plugins_->setRootIsDecorated(true);
    plugins_->setContextMenuPolicy(Qt::CustomContextMenu);
    log_->header()->setStretchLastSection(false);
    log_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    Layout();
    Connect();
    links_.Hub.Add(frame::kNotifyPluginHost, &frame::MethodHandler<TImpl, &TImpl::OnHost>, this);
  }

  ~TImpl() override {
    links_.Hub.Remove(frame::kNotifyPluginHost, &frame::MethodHandler<TImpl, &TImpl::OnHost>, this);
  }

  void Refresh() {
    FillPlugins();
    FillFilters();
    FillLog();
    FillCommands();
    FillOptions();
    FillProfiles(links_.Applier.Current());
  }

  // Any thread; the window follows on its own.
  void OnHost(std::intptr_t event, std::intptr_t value) {
    QMetaObject::invokeMethod(
        this, [this, event, value] { Follow(event, value); }, Qt::QueuedConnection);
  }

private:
  void Follow(std::intptr_t event, std::intptr_t value) {
    switch (event) {
    case kPluginLogChanged:
      FillLog();
      break;
    case kCommandLogChanged:
      FillCommands();
      break;
    case kFilterChanged:
      FillFilters();
      break;
    case kProfileApplied:
      FillPlugins();
      FillProfiles(static_cast<int>(value));
      break;
    default:
      break;
    }
  }

  void Layout() {
    auto *optionsBox = new QGroupBox("Options", &form_);
    auto *options = new QVBoxLayout(optionsBox);
    const std::pair<const char *, const char *> boxes[] = {
        {"PluginsFixCrc", "Fix CRC"},
        {"LogBadApiCmd", "Log bad API commands"},
        {"PluginsChSave", "Plugins save channels"},
        {"PluginsLoadEn", "Enable on load"}};
    for (const auto &[name, text] : boxes) {
      auto *box = new QCheckBox(text, optionsBox);
      box->setObjectName(name);
      options->addWidget(box);
      checks_.push_back(box);
    }
    pkSize_ = new QComboBox(optionsBox);
    pkSize_->setObjectName("PluginsPkSize");
    pkSize_->addItems({"Default block", "184 bytes", "368 bytes", "920 bytes"});
    options->addWidget(new QLabel("Block size:", optionsBox));
    options->addWidget(pkSize_);

    auto *profilesBox = new QGroupBox("Profile", &form_);
    auto *profiles = new QVBoxLayout(profilesBox);
    profiles->addWidget(profile_);
    auto *row = new QHBoxLayout;
    for (const char *name : {"Apply", "Edit", "Add", "Delete"}) {
      auto *button = new QPushButton(name, profilesBox);
      button->setObjectName(QString("Profile") + name);
      row->addWidget(button);
      buttons_.push_back(button);
    }
    profiles->addLayout(row);

    auto *sidePanel = new QWidget(&form_);
    sidePanel->setMaximumWidth(280);
    auto *side = new QVBoxLayout(sidePanel);
    side->setContentsMargins(0, 0, 0, 0);
    side->addWidget(optionsBox);
    side->addWidget(profilesBox);
    side->addStretch(1);

    auto *top = new QSplitter(Qt::Horizontal, &form_);
    top->addWidget(plugins_);
    top->addWidget(filters_);
    auto *bottom = new QSplitter(Qt::Horizontal, &form_);
    bottom->addWidget(log_);
    bottom->addWidget(commands_);
    bottom->setStretchFactor(0, 3);
    auto *main = new QSplitter(Qt::Vertical, &form_);
    main->addWidget(top);
    main->addWidget(bottom);
    top->setSizes({320, 300});
    bottom->setSizes({420, 200});

    auto *layout = new QHBoxLayout(&form_);
    layout->addWidget(main, 1);
    layout->addWidget(sidePanel);
  }

  void Connect() {
    connect(plugins_, &QTreeWidget::itemChanged, this,
            [this](QTreeWidgetItem *item) { EnableChanged(item); });
    connect(plugins_, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item, int column) {
      if (column == kMenuColumn)
        PopupMenu(item);
    });
    connect(plugins_, &QTreeWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { PopupMenu(plugins_->itemAt(at)); });
    connect(plugins_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { RunMonitorItem(item); });
    connect(log_, &QTreeWidget::itemDoubleClicked, this, [this] { links_.Log.Clear(); });
    connect(commands_, &QListWidget::itemDoubleClicked, this,
            [this] { links_.Log.ClearCommands(); });
    for (QCheckBox *box : checks_)
      connect(box, &QCheckBox::toggled, this, [this] { StoreOptions(); });
    connect(pkSize_, &QComboBox::currentIndexChanged, this, [this] { StoreOptions(); });
    connect(buttons_[0], &QPushButton::clicked, this,
            [this] { links_.Applier.ApplyProfile(ChosenProfile(), true); });
    connect(buttons_[1], &QPushButton::clicked, this, [this] { EditProfile(ChosenProfile()); });
    connect(buttons_[2], &QPushButton::clicked, this, [this] { EditProfile(std::nullopt); });
    connect(buttons_[3], &QPushButton::clicked, this, [this] {
      if (DeleteProfile(links_.Profiles, ChosenProfile()))
        FillProfiles(links_.Applier.Current());
    });
    connect(&filterTimer_, &QTimer::timeout, this, [this] {
      if (form_.isVisible())
        FillFilters();
    });
    filterTimer_.start(kFilterRefreshMs);
  }

  int IndexOf(const QTreeWidgetItem *item) const {
    return item && item->parent() ? item->data(0, Qt::UserRole).toInt() : -1;
  }

  void FillPlugins() {
    filling_ = true;
    plugins_->clear();
    const IPluginTable &table = links_.Table;
    for (int slot = 0; slot < kPluginSlots; ++slot) {
      QTreeWidgetItem *top = nullptr;
      for (int index = 0; index < table.Count(); ++index) {
        const TPluginEntry &entry = table.Entry(index);
        if (entry.AvSlot != slot)
          continue;
        if (!top)
          top = new QTreeWidgetItem(plugins_, {SlotCaption(slot)});
        auto *item = new QTreeWidgetItem(top, {QString::fromStdString(entry.DllName),
                                               QString::fromStdString(entry.PluginName),
                                               entry.Menu.empty() ? QString() : "..."});
        item->setData(0, Qt::UserRole, index);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, entry.Enabled ? Qt::Checked : Qt::Unchecked);
        Shade(item, entry.Enabled);
      }
    }
    plugins_->expandAll();
    for (int column = 0; column < plugins_->columnCount(); ++column)
      plugins_->resizeColumnToContents(column);
    filling_ = false;
  }

  void Shade(QTreeWidgetItem *item, bool enabled) {
    const QBrush brush = enabled ? plugins_->palette().text() : QBrush(Qt::gray);
    for (int column = 0; column < plugins_->columnCount(); ++column)
      item->setForeground(column, brush);
  }

  void EnableChanged(QTreeWidgetItem *item) {
    const int index = IndexOf(item);
    if (filling_ || index < 0)
      return;
    const bool on = item->checkState(0) == Qt::Checked;
    links_.Table.SetPluginEnabled(index, on, true);
    filling_ = true;
    Shade(item, links_.Table.Entry(index).Enabled);
    filling_ = false;
  }

  void PopupMenu(QTreeWidgetItem *item) {
    if (const int index = IndexOf(item); index >= 0)
      PopupPluginMenu(links_.Table, index, QCursor::pos(), &form_);
  }

  void RunMonitorItem(QTreeWidgetItem *item) {
    const int index = IndexOf(item);
    if (index < 0)
      return;
    const TPluginEntry &entry = links_.Table.Entry(index);
    if (entry.MonitorMenuId < 0 || (QApplication::keyboardModifiers() & Qt::ControlModifier))
      ChooseMonitorMenu(links_.Table, links_.ConfigFile, entry.DllName, entry.Menu,
                        ListChoiceAsker(&form_));
    if (const auto id = links_.Table.Entry(index).MonitorMenuId; id > 0)
      links_.Table.MenuSelect(index, id);
  }

  void FillFilters() {
    filters_->clear();
    const IPluginTable &table = links_.Table;
    for (const TPluginFilterView &filter : table.Filters()) {
      const bool owned = filter.PluginIndex >= 0 && filter.PluginIndex < table.Count();
      const TPluginEntry *owner = owned ? &table.Entry(filter.PluginIndex) : nullptr;
      QString name = QString::fromStdString(frame::Trim(filter.Name)).toUpper();
      new QTreeWidgetItem(filters_,
                          {QString::number(filter.Index),
                           QString("%1").arg(filter.Pid, 4, 16, QChar('0')).toUpper(), name,
                           owner ? QString::fromStdString(owner->DllName) : QString(),
                           owner ? QString::number(owner->AvSlot) : QString(),
                           QString::number(filter.Bytes)});
    }
    for (int column = 0; column < filters_->columnCount(); ++column)
      filters_->resizeColumnToContents(column);
  }

  void FillLog() {
    log_->clear();
    const IPluginTable &table = links_.Table;
    for (const TPluginLogLine &line : links_.Log.Lines()) {
      const bool plugin = line.PluginIndex >= 0 && line.PluginIndex < table.Count();
      auto *item = new QTreeWidgetItem(
          log_, {QString::fromStdString(line.Text),
                 plugin ? QString::fromStdString(table.Entry(line.PluginIndex).DllName) : "System",
                 plugin ? QString::number(table.Entry(line.PluginIndex).AvSlot) : "-"});
      item->setIcon(0, LogIcon(line.Kind));
    }
    log_->scrollToBottom();
  }

  void FillCommands() {
    commands_->clear();
    for (const std::string &line : links_.Log.Commands())
      commands_->addItem(QString::fromStdString(line));
  }

  void FillOptions() {
    if (!links_.Options)
      return;
    filling_ = true;
    const TPluginOptions options = links_.Options();
    checks_[0]->setChecked(options.FixCrc);
    checks_[1]->setChecked(options.LogBadApiCmd);
    checks_[2]->setChecked(options.ChSave);
    checks_[3]->setChecked(options.LoadEn);
    pkSize_->setCurrentIndex(options.PkSize);
    filling_ = false;
  }

  void StoreOptions() {
    if (filling_ || !links_.Options || !links_.SetOptions)
      return;
    TPluginOptions options = links_.Options();
    options.FixCrc = checks_[0]->isChecked();
    options.LogBadApiCmd = checks_[1]->isChecked();
    options.ChSave = checks_[2]->isChecked();
    options.LoadEn = checks_[3]->isChecked();
    options.PkSize = pkSize_->currentIndex();
    links_.SetOptions(options);
  }

  void FillProfiles(int select) {
    profile_->clear();
    for (const auto &[number, name] : links_.Profiles.ApplyChoices()) {
      profile_->addItem(QString::fromStdString(name), number);
      if (number == select)
        profile_->setCurrentIndex(profile_->count() - 1);
    }
  }

  int ChosenProfile() const { return profile_->currentData().toInt(); }

  void EditProfile(std::optional<int> number) {
    const std::vector<std::string> known =
        links_.KnownPlugins ? links_.KnownPlugins() : std::vector<std::string>{};
    if (const auto stored = EditPluginProfile(&form_, links_.Profiles, number, known))
      FillProfiles(*stored);
  }

  TFormPluginViewer &form_;
  TPluginViewerLinks links_;
  QTreeWidget *plugins_;
  QTreeWidget *filters_;
  QTreeWidget *log_;
  QListWidget *commands_;
  QComboBox *profile_;
  QComboBox *pkSize_ = nullptr;
  std::vector<QCheckBox *> checks_;
  std::vector<QPushButton *> buttons_;
  QTimer filterTimer_;
  bool filling_ = false;
};

TFormPluginViewer::TFormPluginViewer(TPluginViewerLinks links, QWidget *owner)
    : QWidget(owner, Qt::Window), impl_(std::make_unique<TImpl>(*this, std::move(links))) {
  setObjectName("FormPluginViewer");
  setWindowTitle("Plugins");
  resize(900, 560);
  impl_->Refresh();
}

TFormPluginViewer::~TFormPluginViewer() = default;

void TFormPluginViewer::Refresh() { impl_->Refresh(); }

void TFormPluginViewer::keyPressEvent(QKeyEvent *event) {
  if (event->key() == Qt::Key_Escape) {
    hide();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TFormPluginViewer::closeEvent(QCloseEvent *event) {
  event->ignore();
  hide();
}

} // namespace qev::plugins
