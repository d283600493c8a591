#pragma once

#include "ui/ui_context.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace qev::ui {

// The actions of the tree's menus. The channel menu acts on the slot's selected channel; the
// selection menu on a list of distinct channel handles.
class TTreeMenuActions {
public:
  TTreeMenuActions(TUiContext &context, int slot) : context_(context), slot_(slot) {}

  void Favourite();
  void FavouritesEdit();
  void ToggleLock();
  void Record();
  void Schedule();
  void Edit();
  void Delete();
  void Rescan();

  void ShowInOutput2(std::int32_t handle);
  void FindChannel(std::int32_t handle);

  // Each returns whether anything changed; declining changes nothing. The lists are saved
  // afterwards (compacted after a delete).
  bool DeleteAll(const std::vector<std::int32_t> &targets);
  bool SetFavourites(const std::vector<std::int32_t> &targets);
  bool ChangeProfile(const std::vector<std::int32_t> &targets);
  bool PreferredAudio(const std::vector<std::int32_t> &targets);

private:
  using TChange = std::function<bool(data::TChannelsList &, int position, data::TChannelRec &)>;
  // Applies the change to every target that resolves, then saves the modified lists.
  bool ChangeAll(const std::vector<std::int32_t> &targets, bool compact, const TChange &change);
  void Store(data::TChannelRec &rec, std::intptr_t callerValue);

  TUiContext &context_;
  int slot_;
};

} // namespace qev::ui
