#include "ui/qt/frame_chan_tree.h"

#include <QTreeView>
#include <QVBoxLayout>

namespace qev::ui {

class TFrameChanTree::TImpl {
public:
  TImpl(TUiContext &context, TGSFRules &rules, int slot)
      : Context(context), Slot(slot), Model(rules, AllSatellitesLookups(TreeDataOf(context))) {}

  TUiContext &Context;
  int Slot;
  TChannelTreeModel Model;
  QTreeView *View = nullptr;
};

TFrameChanTree::TFrameChanTree(QWidget *owner, TUiContext &context, TChanTreeParts,
                               TGSFRules &rules, int slot)
    : QWidget(owner), impl_(std::make_unique<TImpl>(context, rules, slot)) {
  setObjectName(QStringLiteral("ChTreeFrame%1").arg(slot));
  auto *layout = new QVBoxLayout(this);
  impl_->View = new QTreeView(this);
  layout->addWidget(impl_->View);
}

TFrameChanTree::~TFrameChanTree() = default;

void TFrameChanTree::RebuildTree() { impl_->Model.RebuildTree(); }
void TFrameChanTree::RefilterTree() { impl_->Model.RefilterTree(); }
bool TFrameChanTree::FocusChannel(std::int32_t handle) { return impl_->Model.FocusChannel(handle); }
void TFrameChanTree::StepChannel(int direction) { impl_->Model.StepChannel(direction); }
int TFrameChanTree::Slot() const { return impl_->Slot; }
TChannelTreeModel &TFrameChanTree::Model() { return impl_->Model; }
QTreeView *TFrameChanTree::TreeView() const { return impl_->View; }

} // namespace qev::ui
