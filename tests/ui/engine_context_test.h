#pragma once

#include "data/favorites.h"
#include "device/engine_fixture.h"
#include "ui/ui_context.h"

namespace qev::ui::test {

// The engine test with a context for the windows over its engine and hub, and options of its own.
class EngineContextTest : public device::test::EngineTest {
protected:
  data::TFavorites favorites;
  data::TCategories categories;
  frame::TOptions options;
  TUiContext context{root.sats, root.lists, favorites, categories, engine, loaded, options, hub};
};

} // namespace qev::ui::test
