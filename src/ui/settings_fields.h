#pragma once

#include "frame/options.h"

#include <functional>
#include <string>
#include <variant>
#include <vector>

namespace qev::ui {

// How the settings dialog shows a value.
enum class TFieldType {
  Bool,
  Int,   // Min..Max
  Hex,   // a byte, shown in hexadecimal
  Float, // degrees, Min..Max
  Text,
  Folder, // text with a folder chooser
  Color,  // 0x00BBGGRR
  Choice, // an index into Items
};

using TFieldValue = std::variant<bool, long long, double, std::string>;

// One option the settings dialog offers: its key (also the widget's name), caption, how it is
// shown, and how it is read from and written to the options.
struct TSettingsField {
  std::string Key;
  std::string Label;
  TFieldType Type = TFieldType::Bool;
  long long Min = 0, Max = 0;
  std::vector<std::string> Items;
  std::function<TFieldValue(const frame::TOptions &)> Get;
  std::function<void(frame::TOptions &, const TFieldValue &)> Set;
};

struct TSettingsPage {
  std::string Title;
  std::vector<TSettingsField> Fields;
};

// The pages of the settings dialog, one per subsystem that owns the options on it.
const std::vector<TSettingsPage> &SettingsPages();

// What confirming the dialog does to the options held: the edited values are taken, corrected
// as at loading, and saved. Answers the error text of a failed save, empty on success; the new
// values are in force either way.
std::string ConfirmSettings(frame::TOptions &held, const frame::TOptions &edited,
                            const std::filesystem::path &file);

} // namespace qev::ui
