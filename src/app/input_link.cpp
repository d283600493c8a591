#include "app/input_link.h"

#include "device/engine_steps.h"
#include "frame/app_paths.h"
#include "frame/log.h"
#include "frame/notification_hub.h"
#include "frame/options.h"
#include "ui/child_lock.h"
#include "ui/gesture_actions.h"
#include "ui/gesture_table.h"
#include "ui/main_commands.h"
#include "ui/qt/child_lock_button.h"
#include "ui/qt/form_dvb_main.h"
#include "ui/qt/form_gesture_editor.h"
#include "ui/qt/window_gestures.h"
#include "video/qt/video_manager.h"

namespace qev::app {

int LoadGesturesStep() {
  if (const std::string error = ui::GesturesLoad(ui::Gestures(), frame::Paths().GesturesFile);
      !error.empty())
    frame::Log(error, frame::kLogError);
  return 0;
}

void LinkVideoGestures(ui::TFormDvbMain &main, video::TVideoManager &videos) {
  const ui::TVideoGestureLinks links{ui::Gestures(),
                                     [&videos] { return videos.Outputs().Embedded(); },
                                     [] { return frame::Options().General.GesturesEnabled; },
                                     [&main](int command, int output) {
                                       main.Execute(ui::kOutputCommandMessage, command, output);
                                     }};
  ui::AttachVideoGestures(main.VideoPanel(), ui::kEmbeddedVideoTag, links);
  for (int output = 0; output < ui::kOutputs; ++output)
    ui::AttachVideoGestures(&videos.Floating(output).Panel(), static_cast<std::uint32_t>(output),
                            links);
}

void LinkChildLock(ui::TUiContext &context) {
  if (const std::string error = ui::ChildLock().Load(frame::Paths().OptionsFile); !error.empty())
    frame::Log(error, frame::kLogError);
  context.ChildLockActive = [] { return ui::ChildLock().Active(); };
  context.Subsystems.ChangeChildLockPassword = [](QWidget *owner) {
    ui::ChangeChildLockPassword(owner, ui::ChildLock(), frame::GlobalNotifications());
  };
  context.Subsystems.EditGestures = [](QWidget *owner) {
    ui::EditGestures(owner, ui::Gestures(), frame::Paths().GesturesFile);
  };
  device::TuningEngine().Hooks().ChildLockActive = [] { return ui::ChildLock().Active(); };
}

void AddChildLockButton(ui::TFormDvbMain &main) {
  main.AddActionWidget(new ui::TChildLockButton(ui::ChildLock(), frame::GlobalNotifications()));
}

} // namespace qev::app
