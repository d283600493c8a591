#pragma once

#include "data/channel_list.h"
#include "data/channel_rec.h"
#include "data/favorites.h"
#include "frame/options.h"
#include "guide/epg_view_model.h"
#include "ui/ui_context.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>

namespace qev::guide {

// What the guide window asks of the program besides the store; an empty hook hides what
// needs it.
struct TEpgWindowLinks {
  TEpgCollectorCounters Counters{};
  // Empties the guide (the store and what is being collected); empty: the store alone.
  std::function<void()> Clear{};
  // Switches the main slot to a channel handle.
  std::function<void(std::int32_t handle)> SwitchChannel{};
  std::function<void(const data::TChannelRec &, const ui::TSchJobRequest &)> SchAddJob{};
  std::function<void()> SchJobList{};
};

// The guide window: the channels of the loaded satellite that have events, the event list with
// its filters, the focused event's texts, and the guide's counters. It takes new events of the
// store on its refresh timer without rebuilding its lists.
class TFormEpg : public QDialog {
  Q_OBJECT
public:
  // `channels` is the loaded satellite's list, read while the window is open; `selected` the
  // channel of the main slot.
  TFormEpg(QWidget *owner, TEpgStore &store, TEpgWindowLinks links,
           const data::TChannelsList &channels, const data::TChannelRec &selected,
           frame::TOptions &options, const data::TCategories &categories);
  ~TFormEpg() override;

  // Takes the store's new events (or empties the lists after a clear); the timer does this
  // every second.
  void Refresh();

private:
  class TImpl;
  std::unique_ptr<TImpl> impl_;
};

// Keeps the guide collecting while a guide window is open, and stops afterwards only a
// collection it started itself: one that ran before (in the background) goes on.
class TEpgCollectionGuard {
public:
  TEpgCollectionGuard(const std::function<bool()> &collecting, const std::function<bool()> &start,
                      std::function<void()> stop);
  ~TEpgCollectionGuard();
  TEpgCollectionGuard(const TEpgCollectionGuard &) = delete;
  TEpgCollectionGuard &operator=(const TEpgCollectionGuard &) = delete;

  bool Started() const { return started_; }

private:
  std::function<void()> stop_;
  bool started_ = false;
};

} // namespace qev::guide
