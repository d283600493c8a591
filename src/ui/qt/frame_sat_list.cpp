#include "ui/qt/frame_sat_list.h"

namespace qev::ui {

class TFrameSatList::TImpl {
public:
  explicit TImpl(TUiContext &context) : context_(context) {}
  TUiContext &context_;
};

TFrameSatList::TFrameSatList(QWidget *owner, TUiContext &context)
    : QWidget(owner), impl_(std::make_unique<TImpl>(context)) {}

TFrameSatList::~TFrameSatList() = default;

void TFrameSatList::Refresh() {}

} // namespace qev::ui
