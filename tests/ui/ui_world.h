#pragma once

#include "device/engine_fakes.h"
#include "device/tuning_engine.h"
#include "frame/options.h"
#include "ui/ui_context.h"

#include <cstdint>
#include <string>

namespace qev::ui::test {

// Two satellites with channel lists in a temporary root, an engine over fake devices, the
// program's hub (the lists announce their changes there) and the program's options, restored
// when it goes.
class UiWorld {
public:
  UiWorld() {
    root.AddSat(1, 192, "Astra", 1);
    root.AddSat(2, 130, "Hotbird", 2);
  }
  ~UiWorld() { frame::Options() = savedOptions_; }
  UiWorld(const UiWorld &) = delete;
  UiWorld &operator=(const UiWorld &) = delete;

  std::int32_t Add(int sat, std::uint32_t freq, char polar, std::uint16_t sid,
                   const std::string &name, const std::string &prov) {
    data::TChannelRec rec = device::test::Channel(freq, polar, 27500, sid, name);
    data::SetChProv(rec, prov);
    return root.AddChannel(sat, rec);
  }
  data::TChannelRec Rec(std::int32_t handle) const { return *root.lists.ChannelByHandle(handle); }

  device::test::EventJournal journal;
  device::test::EngineRoot root;
  device::test::RecordingTuner tuner{journal};
  device::test::RecordingAvDevice device{journal};
  device::TLoadedSat loaded;
  device::TLastChannels last;
  data::TFavorites favorites;
  data::TCategories categories;
  device::TTuningEngine engine{
      {root.lists, root.sats, device, tuner, loaded, last, frame::GlobalNotifications()}};
  TUiContext context{root.sats,
                     root.lists,
                     favorites,
                     categories,
                     engine,
                     loaded,
                     frame::Options(),
                     frame::GlobalNotifications(),
                     [] { return false; },
                     TUiSubsystems{}};

private:
  frame::TOptions savedOptions_ = frame::Options();
};

} // namespace qev::ui::test
