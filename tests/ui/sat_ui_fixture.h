#pragma once

#include "device/diseqc_log.h"
#include "device/diseqc_sender.h"
#include "device/tuner_fakes.h"
#include "ui/ui_world.h"

#include <cstdint>
#include <string>
#include <vector>

namespace qev::ui::test {

// A context over a root of its own: satellites and channel lists, a tuning engine over
// recording fakes, and a DiSEqC sender over a fake device whose time moves only when slept on.
struct SatUiFixture : OwnEngineWorld {
  SatUiFixture() {
    // As in the program: a change of the satellites opens and closes their channel lists.
    root.sats.SetChangeHandler([this] { root.lists.ListsSync(); });
    context.Diseqc = &sender;
  }

  // A satellite as the list shows it.
  static data::TSatRec Sat(int index, int position, const std::string &name, bool active,
                           int dish) {
    data::TSatRec sat{};
    sat.SatIdx = static_cast<std::uint8_t>(index);
    sat.SatPos = static_cast<std::uint16_t>(position);
    sat.SatActive = active ? 1 : 0;
    sat.SatDish = static_cast<std::uint8_t>(dish);
    data::SetSatName(sat, name);
    return sat;
  }

  // What reached the device as DiSEqC, one "E0 31 60" line per transmission.
  std::vector<std::string> Sent() const { return device.DiseqcHex(); }

  device::test::FakeClock clock;
  device::test::FakeDevice device{clock};
  device::TDiseqcLog diseqcLog;
  device::TDiseqcSender sender{device, clock, options.DiseqC, diseqcLog};
};

} // namespace qev::ui::test
