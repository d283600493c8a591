// Opening the scanner from the program's windows.
#include "app/scanner_link.h"

#include "device/tuning_engine.h"
#include "si/scan_texts.h"
#include "support/scripted_presenter.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace qev::app {
namespace {

TEST(ScannerLink, RefusedWhileAnySlotRecordsAndTheTunerIsLeftAsItWas) {
  test::ScriptedPresenter presenter;
  ui::TUiContext context = ui::ProgramUiContext();
  context.Subsystems.RecSlotActive = [](int slot) { return slot == 1; };
  data::TSatRec sat{};
  sat.SatIdx = 7;
  context.LoadedSat.Load(sat);
  ScanSatellite(nullptr, context, 1);
  ASSERT_EQ(presenter.Texts(), std::vector<std::string>{si::kErrScanWhileRecording});
  EXPECT_EQ(context.LoadedSat.Index(), 7);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  context.LoadedSat.Clear();
}

} // namespace
} // namespace qev::app
