#pragma once

#include "guide/epg_filters.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QTimeEdit;

namespace qev::guide {

class TEpgViewModel;

// The guide window's filter panel: the search text and field, the content group and subgroup,
// and the time window with its quick choices. Every change goes into the view model's filters
// and is announced by Changed.
class TEpgFilterPanel final : public QWidget {
  Q_OBJECT
public:
  TEpgFilterPanel(TEpgViewModel &model, QWidget *parent = nullptr);

  // Empties the search text, switches the content test and the time window off.
  void Reset();
  void FocusSearch();

signals:
  void Changed();

private:
  QWidget *BuildSearchRow();
  QWidget *BuildContentRow();
  QWidget *BuildWindowRow();
  QWidget *BuildQuickRow();
  void FillGroups();
  void GroupChosen(int index);
  void SubgroupChosen(int index);
  void Quick(TQuickWindow choice);
  void TakeWindow();

  TEpgViewModel &model_;
  QLineEdit *search_ = nullptr;
  QComboBox *field_ = nullptr;
  QComboBox *group_ = nullptr;
  QComboBox *subgroup_ = nullptr;
  QDateEdit *fromDate_ = nullptr;
  QTimeEdit *fromTime_ = nullptr;
  QDateEdit *toDate_ = nullptr;
  QTimeEdit *toTime_ = nullptr;
  QCheckBox *window_ = nullptr;
  bool filling_ = false; // set while the panel fills its own fields
};

} // namespace qev::guide
