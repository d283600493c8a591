#include "video/qt/frame_config_ds.h"

#include "video/qt/form_graph_check.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace qev::video {

namespace {

constexpr int kStressRuns = 20;

struct TChoiceText {
  int kind;
  const char *name;
  const char *label;
};
constexpr TChoiceText kChoiceTexts[] = {{kKindVideoDecoder, "CbVideoDecoder", "Video decoder"},
                                        {kKindVideoPost, "CbVideoPostProc", "Video post-processor"},
                                        {kKindVideoRender, "CbVideoRender", "Video render"},
                                        {kKindAudioDecoder, "CbAudioDecoder", "Audio decoder"},
                                        {kKindAudioPost, "CbAudioPostProc", "Audio post-processor"},
                                        {kKindAudioRender, "CbAudioRender", "Audio render"}};

bool Optional(int kind) { return kind == kKindVideoPost || kind == kKindAudioPost; }

// Choices carry the class id, not the place in the list: the known filters editor may sort
// the list while the frame is open.
QString ClassOf(const TKnownFilterList &list, std::optional<std::size_t> index) {
  return index ? QString::fromStdString(list.At(*index).ClassId) : QString();
}

} // namespace

TFrameConfigDS::TFrameConfigDS(int slot, const QString &displayName, TKnownFilterList &list,
                               IFilterRegistry &registry, TGraphConfigPlaces places,
                               std::function<void()> reopenVideo, QWidget *parent)
    : QWidget(parent, Qt::Tool), slot_(slot), list_(list), registry_(registry),
      places_(std::move(places)), reopenVideo_(std::move(reopenVideo)), tabs_(new QTabWidget),
      save_(new QPushButton("Save and apply")) {
  setObjectName("TFrameConfigDS");
  setAttribute(Qt::WA_DeleteOnClose);
  setWindowTitle("DirectShow Config: " + displayName);
  tabs_->addTab(AutoPageWidget(), "AutoGraph");
  tabs_->addTab(FilePageWidget(), "Graph file");
  save_->setObjectName("BtnSaveAndApply");
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(tabs_);
  layout->addWidget(save_, 0, Qt::AlignRight);
  connect(save_, &QPushButton::clicked, this, [this] {
    const auto both = Qt::ShiftModifier | Qt::ControlModifier;
    SaveAndApply((QApplication::keyboardModifiers() & both) == both ? kStressRuns : 1);
  });

  const TGraphConfigView view = OpenGraphConfig(slot_, places_, list_);
  for (const std::string &name : view.Files)
    file_->addItem(QString::fromStdString(name));
  file_->setCurrentText(QString::fromStdString(view.FileName));
  FillChoices(view.Selection);
  ShowAutoPage(view.AutoPage);
  setMinimumWidth(440);
}

QWidget *TFrameConfigDS::AutoPageWidget() {
  auto *page = new QWidget;
  page->setObjectName("TabCfgAuto");
  auto *form = new QFormLayout(page);
  for (const TChoiceText &text : kChoiceTexts) {
    auto *box = new QComboBox;
    box->setObjectName(text.name);
    choices_[text.kind] = box;
    form->addRow(text.label, box);
  }
  switch_ = new QCheckBox("Channel A/B switch");
  switch_->setObjectName("CbChanSwitch");
  form->addRow(switch_);
  return page;
}

QWidget *TFrameConfigDS::FilePageWidget() {
  auto *page = new QWidget;
  page->setObjectName("TabCfgFile");
  file_ = new QComboBox;
  file_->setObjectName("CbGraphFile");
  file_->setEditable(true);
  auto *rescan = new QPushButton("Rescan");
  rescan->setObjectName("BtnRescanFiles");
  auto *check = new QPushButton("Check filters");
  check->setObjectName("BtnCheckFilters");
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(rescan);
  buttons->addWidget(check);
  buttons->addStretch();
  auto *layout = new QVBoxLayout(page);
  layout->addWidget(file_);
  layout->addLayout(buttons);
  layout->addStretch();
  connect(rescan, &QPushButton::clicked, this, &TFrameConfigDS::RescanFiles);
  connect(check, &QPushButton::clicked, this, &TFrameConfigDS::CheckFilters);
  return page;
}

void TFrameConfigDS::FillChoices(const TAutoGraphSelection &selection) {
  for (int kind = 1; kind <= kGroupKindCount; ++kind) {
    QComboBox &box = *choices_[kind];
    box.clear();
    for (const TFilterChoice &choice : list_.Choices(kind, Optional(kind)))
      box.addItem(QString::fromStdString(choice.Text), ClassOf(list_, choice.Index));
    box.setCurrentIndex(box.findData(ClassOf(list_, selection.ByKind[kind])));
  }
  switch_->setChecked(selection.ChannelSwitch);
}

TAutoGraphChoice TFrameConfigDS::CurrentChoice() const {
  TAutoGraphChoice choice;
  for (int kind = 1; kind <= kGroupKindCount; ++kind) {
    const QString classId = choices_[kind]->currentData().toString();
    if (const auto index = list_.FindClass(classId.toStdString()); index && !classId.isEmpty())
      choice[kind] = list_.At(*index);
  }
  choice.ChannelSwitch = switch_->isChecked();
  return choice;
}

bool TFrameConfigDS::AutoPage() const { return tabs_->currentIndex() == 0; }

void TFrameConfigDS::ShowAutoPage(bool automatic) { tabs_->setCurrentIndex(automatic ? 0 : 1); }

void TFrameConfigDS::SaveAndApply(int times) {
  save_->setEnabled(false);
  for (int run = 0; run < times; ++run) {
    if (!SaveGraphConfig(slot_, AutoPage(), file_->currentText().toStdString(), CurrentChoice(),
                         registry_, places_))
      break;
    if (reopenVideo_)
      reopenVideo_();
  }
  save_->setEnabled(true);
}

void TFrameConfigDS::RescanFiles() {
  const QString current = file_->currentText();
  file_->clear();
  for (const std::string &name : SlotGraphFiles(slot_, places_.GraphFolder))
    file_->addItem(QString::fromStdString(name));
  file_->setCurrentText(current);
}

void TFrameConfigDS::CheckFilters() {
  CheckGraphFile(places_.GraphFolder / file_->currentText().toStdString(), true, registry_, this);
}

} // namespace qev::video
