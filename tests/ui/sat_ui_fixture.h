#pragma once

#include "device/diseqc_log.h"
#include "device/diseqc_sender.h"
#include "device/engine_fakes.h"
#include "device/tuner_fakes.h"
#include "ui/ui_context.h"

#include <string>

namespace qev::ui::test {

// A context over a root of its own: satellites and channel lists, a tuning engine over
// recording fakes, and a DiSEqC sender over a fake device whose time moves only when slept on.
struct SatUiFixture {
  device::test::EventJournal journal;
  device::test::EngineRoot root;
  device::test::RecordingTuner tuner{journal};
  device::test::RecordingAvDevice av{journal};
  device::TLoadedSat loaded;
  device::TLastChannels last;
  frame::TNotificationHub hub;
  device::TTuningEngine engine{{root.lists, root.sats, av, tuner, loaded, last, hub}};
  data::TFavorites favorites;
  data::TCategories categories;
  frame::TOptions options;
  device::test::FakeClock clock;
  device::test::FakeDevice device{clock};
  device::TDiseqcLog diseqcLog;
  device::TDiseqcSender sender{device, clock, options.DiseqC, diseqcLog};
  TUiContext context = MakeContext();

  TUiContext MakeContext() {
    // As in the program: a change of the satellites opens and closes their channel lists.
    root.sats.SetChangeHandler([this] { root.lists.ListsSync(); });
    TUiContext made{root.sats, root.lists, favorites, categories, engine, loaded, options, hub};
    made.Diseqc = &sender;
    return made;
  }

  // What reached the device as DiSEqC, one "E0 31 60" line per transmission.
  std::vector<std::string> Sent() const { return device.DiseqcHex(); }
};

} // namespace qev::ui::test
