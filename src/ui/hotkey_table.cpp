#include "ui/hotkey_table.h"

#include "data/si_text.h"

#include <algorithm>
#include <array>

namespace qev::ui {

namespace {

struct TBuiltIn {
  std::uint16_t Code;
  const char *Name;
  const char *Key;
};

constexpr std::array kBuiltIn{
    TBuiltIn{0x1001, "Channel +", "Num +"},
    TBuiltIn{0x1002, "Channel -", "Num -"},
    TBuiltIn{0x1003, "Volume +", "Ctrl+Right"},
    TBuiltIn{0x1004, "Volume -", "Ctrl+Left"},
    TBuiltIn{0x1005, "Mute", "M"},
    TBuiltIn{0x2001, "Channel +", "Ctrl+Num +"},
    TBuiltIn{0x2002, "Channel -", "Ctrl+Num -"},
    TBuiltIn{0x2003, "Volume +", ""},
    TBuiltIn{0x2004, "Volume -", ""},
    TBuiltIn{0x2005, "Mute", ""},
    TBuiltIn{0x2006, "Show/Hide", "Num *"},
    TBuiltIn{0x3001, "Toggle FullScreen", "Alt+Enter"},
    TBuiltIn{0x3002, "PIP FullScreen", "Ctrl+Enter"},
    TBuiltIn{0x3004, "PIP Select Next", "Num /"},
    TBuiltIn{0x3005, "PIP Cycle Pos", "Ctrl+Num /"},
    TBuiltIn{0x3006, "PIP Cycle Size", "Alt+Num /"},
    TBuiltIn{0x7001, "Close Application", "Alt+X"},
    TBuiltIn{kActionStandby, "Standby", ""},
    TBuiltIn{kActionSuspend, "Suspend", ""},
    TBuiltIn{kActionShutdown, "Shutdown", ""},
    TBuiltIn{kActionHibernate, "Hibernate", ""},
    TBuiltIn{0x8001, "Clear Sleep Timer", "Ctrl+S"},
    TBuiltIn{0x8002, "Record", "Ctrl+R"},
    TBuiltIn{0, "", ""},
};

// The two fields of the pair that `field` belongs to.
std::array<TKeyField, 2> PairOf(TKeyField field) {
  if (IsRemoteField(field))
    return {TKeyField::Remote1, TKeyField::Remote2};
  return {TKeyField::HotKey1, TKeyField::HotKey2};
}

} // namespace

bool IsRemoteField(TKeyField field) {
  return field == TKeyField::Remote1 || field == TKeyField::Remote2;
}

std::string &FieldOf(THotKeyAction &action, TKeyField field) {
  switch (field) {
  case TKeyField::HotKey1:
    return action.HotKey1;
  case TKeyField::HotKey2:
    return action.HotKey2;
  case TKeyField::Remote1:
    return action.Remote1;
  case TKeyField::Remote2:
    break;
  }
  return action.Remote2;
}

const std::string &FieldOf(const THotKeyAction &action, TKeyField field) {
  return FieldOf(const_cast<THotKeyAction &>(action), field);
}

std::string_view HotKeyGroupName(std::uint16_t code) {
  switch (code & 0xF000) {
  case 0x1000:
    return "AV0-Main";
  case 0x2000:
    return "AV1-PIP";
  case 0x3000:
    return "Screen Control";
  case 0x7000:
    return "Power";
  case 0x8000:
    return "Other";
  default:
    return {};
  }
}

THotKeyTable::THotKeyTable() {
  rows_.reserve(kBuiltIn.size());
  for (const TBuiltIn &row : kBuiltIn)
    rows_.push_back({row.Code, row.Name, row.Key, "", "", ""});
}

THotKeyAction *THotKeyTable::Find(std::uint16_t code) {
  if (code == 0)
    return nullptr;
  const auto row = std::ranges::find(rows_, code, &THotKeyAction::ActionCode);
  return row == rows_.end() ? nullptr : &*row;
}

int THotKeyTable::FindIn(TKeyField field, std::string_view name) const {
  if (name.empty())
    return -1;
  const auto [first, second] = PairOf(field);
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    const THotKeyAction &row = rows_[i];
    if (row.ActionCode != 0 && (FieldOf(row, first) == name || FieldOf(row, second) == name))
      return static_cast<int>(i);
  }
  return -1;
}

int THotKeyTable::FindByKey(std::string_view keyName) const {
  return FindIn(TKeyField::HotKey1, keyName);
}

int THotKeyTable::FindByRemote(std::string_view buttonName) const {
  return FindIn(TKeyField::Remote1, buttonName);
}

int THotKeyTable::DuplicateOf(std::size_t row, TKeyField field, std::string_view text) const {
  const int holder = FindIn(field, text);
  return holder == static_cast<int>(row) ? -1 : holder;
}

void THotKeyTable::Assign(std::size_t row, TKeyField field, std::string_view text,
                          bool clearDuplicate) {
  const std::string value(data::CutUtf8(text, kHotKeyTextMax));
  if (clearDuplicate) {
    if (const int other = DuplicateOf(row, field, value); other >= 0) {
      for (const TKeyField each : PairOf(field))
        if (FieldOf(rows_[other], each) == value)
          FieldOf(rows_[other], each).clear();
    }
  }
  FieldOf(rows_.at(row), field) = value;
}

void THotKeyTable::SortByCode() { std::ranges::stable_sort(rows_, {}, &THotKeyAction::ActionCode); }

} // namespace qev::ui
