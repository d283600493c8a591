#pragma once

#include "device/engine_fakes.h"
#include "device/tuning_engine.h"
#include "frame/options.h"
#include "ui/ui_context.h"

#include <cstdint>
#include <string>

namespace qev::ui::test {

// An engine over recording fakes on the given hub, the lists beside it, and a context for the
// windows over them with the given options.
class EngineWorld {
public:
  EngineWorld(frame::TNotificationHub &hub, frame::TOptions &options)
      : engine{{root.lists, root.sats, av, tuner, loaded, last, hub}},
        context{root.sats, root.lists, favorites, categories, engine, loaded, options, hub} {}
  EngineWorld(const EngineWorld &) = delete;
  EngineWorld &operator=(const EngineWorld &) = delete;

  device::test::EventJournal journal;
  device::test::EngineRoot root;
  device::test::RecordingTuner tuner{journal};
  device::test::RecordingAvDevice av{journal};
  device::TLoadedSat loaded;
  device::TLastChannels last;
  data::TFavorites favorites;
  data::TCategories categories;
  device::TTuningEngine engine;
  TUiContext context;
};

// A hub and options of its own, for a world that must not touch the program's.
struct OwnHubAndOptions {
  frame::TNotificationHub hub;
  frame::TOptions options;
};

// An engine world over its own hub and options.
struct OwnEngineWorld : OwnHubAndOptions, EngineWorld {
  OwnEngineWorld() : EngineWorld(hub, options) {}
};

// Two satellites with channel lists in a temporary root, an engine over fake devices, the
// program's hub (the lists announce their changes there) and the program's options, restored
// when it goes.
class UiWorld : public EngineWorld {
public:
  UiWorld() : EngineWorld(frame::GlobalNotifications(), frame::Options()) {
    root.AddSat(1, 192, "Astra", 1);
    root.AddSat(2, 130, "Hotbird", 2);
  }
  ~UiWorld() { frame::Options() = savedOptions_; }

  std::int32_t Add(int sat, std::uint32_t freq, char polar, std::uint16_t sid,
                   const std::string &name, const std::string &prov) {
    data::TChannelRec rec = device::test::Channel(freq, polar, 27500, sid, name);
    data::SetChProv(rec, prov);
    return root.AddChannel(sat, rec);
  }
  data::TChannelRec Rec(std::int32_t handle) const { return *root.lists.ChannelByHandle(handle); }

private:
  frame::TOptions savedOptions_ = frame::Options();
};

} // namespace qev::ui::test
