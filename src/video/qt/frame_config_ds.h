#pragma once

#include "video/graph_config.h"

#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;
class QTabWidget;

namespace qev::video {

// The graph choice of one slot: a graph file from the folder, or an AutoGraph assembled from
// known filters. Save and apply stores the choice and has the video reopened.
class TFrameConfigDS final : public QWidget {
  Q_OBJECT
public:
  TFrameConfigDS(int slot, const QString &displayName, TKnownFilterList &list,
                 IFilterRegistry &registry, TGraphConfigPlaces places,
                 std::function<void()> reopenVideo, QWidget *parent = nullptr);

  bool AutoPage() const;
  void ShowAutoPage(bool automatic);
  QComboBox *Choice(int kind) const { return choices_.at(kind); }
  QCheckBox *ChannelSwitch() const { return switch_; }
  QComboBox *FileField() const { return file_; }
  QPushButton *SaveButton() const { return save_; }
  // Stores the choice (times in a row) and reopens the video after each stored one.
  void SaveAndApply(int times = 1);
  void RescanFiles();
  void CheckFilters();

private:
  QWidget *AutoPageWidget();
  QWidget *FilePageWidget();
  void FillChoices(const TAutoGraphSelection &selection);
  TAutoGraphChoice CurrentChoice() const;

  const int slot_;
  TKnownFilterList &list_;
  IFilterRegistry &registry_;
  const TGraphConfigPlaces places_;
  std::function<void()> reopenVideo_;
  QTabWidget *tabs_;
  std::array<QComboBox *, kGroupKindCount + 1> choices_{};
  QCheckBox *switch_ = nullptr;
  QComboBox *file_ = nullptr;
  QPushButton *save_;
};

} // namespace qev::video
