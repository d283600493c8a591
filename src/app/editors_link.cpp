#include "app/editors_link.h"

#include "app/rescan_link.h"
#include "data/qt/form_edit_ch.h"
#include "data/qt/form_edit_sat.h"
#include "data/qt/form_favorites_edit.h"
#include "frame/app_paths.h"
#include "ui/ui_context.h"

#include <QApplication>
#include <QCursor>

namespace qev::app {

namespace {

data::TSatEditLinks SatEditLinks(ui::TUiContext &context) {
  data::TSatEditLinks links;
  links.PositionTaken = [&context](int position, int index) {
    return context.Sats.PositionTaken(position, index);
  };
  links.Diseqc = context.Options.DiseqC;
  links.AllSats = frame::FindExisting(frame::Paths().SatFiles / "AllSats.txt");
  return links;
}

data::TChannelEditLinks ChannelEditLinks(ui::TUiContext &context) {
  data::TChannelEditLinks links;
  links.PidsInHex = context.Options.General.PidEditsInHex;
  links.SetPidsInHex = [&context](bool hex) {
    context.Options.General.PidEditsInHex = hex;
    context.Hub.Notify(frame::kNotifyPidNotation, 0, 0);
  };
  links.Categories = context.Categories.CategList();
  return links;
}

} // namespace

bool ShowChannelReadOnly(ui::TUiContext &context, data::TChannelRec &rec) {
  data::TChannelEditLinks links = ChannelEditLinks(context);
  links.ReadOnly = true;
  return data::EditChannel(QApplication::activeModalWidget(), rec, links);
}

void PlugEditors(ui::TUiContext &context, std::function<QWidget *()> owner) {
  context.Subsystems.EditSatellite = [&context, owner](data::TSatRec &rec, bool add) {
    return data::EditSatellite(owner(), rec, add, SatEditLinks(context));
  };
  context.Subsystems.EditChannel = [&context, owner](data::TChannelRec &rec) {
    data::TChannelEditLinks links = ChannelEditLinks(context);
    links.Rescan = [owner](data::TChannelRec &copy) { return RescanWorkingCopy(owner(), copy); };
    return data::EditChannel(owner(), rec, links);
  };
  context.Subsystems.FavEdit = [&context, owner](std::uint8_t(&favCat)[4]) {
    return data::FavEdit(owner(), favCat, {context.Favorites, frame::Paths().FavoritesFile, {}},
                         QCursor::pos());
  };
}

} // namespace qev::app
