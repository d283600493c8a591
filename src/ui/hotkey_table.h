#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qev::ui {

// The longest text a key, button or action name holds, in bytes of UTF-8.
inline constexpr std::size_t kHotKeyTextMax = 32;

// One action with the two keys and the two remote buttons that run it.
struct THotKeyAction {
  std::uint16_t ActionCode = 0;
  std::string ActionName;
  std::string HotKey1;
  std::string HotKey2;
  std::string Remote1;
  std::string Remote2;
  bool operator==(const THotKeyAction &) const = default;
};

// Which pair of fields a name is looked up in or assigned to.
enum class TKeyField { HotKey1, HotKey2, Remote1, Remote2 };
bool IsRemoteField(TKeyField field);

// The power actions that stay inert unless the user gave them a key or a button.
inline constexpr std::uint16_t kActionStandby = 0x7002;
inline constexpr std::uint16_t kActionSuspend = 0x7003;
inline constexpr std::uint16_t kActionShutdown = 0x7004;
inline constexpr std::uint16_t kActionHibernate = 0x7005;
inline constexpr bool IsPowerAction(int code) {
  return code >= kActionStandby && code <= kActionHibernate;
}

// "AV0-Main", "AV1-PIP", "Screen Control", "Power", "Other" by the code's high nibble; empty
// for other groups.
std::string_view HotKeyGroupName(std::uint16_t code);

// The fixed set of actions with their keys and buttons. Looking up a name gives the index of
// the first row (in table order) that holds it; an empty name never matches, and the row with
// code 0 holds no action.
class THotKeyTable {
public:
  // The built-in rows with their default keys.
  THotKeyTable();

  const std::vector<THotKeyAction> &Rows() const { return rows_; }
  THotKeyAction &Row(std::size_t index) { return rows_.at(index); }
  // The row of a code, or null when the table has none (code 0 included).
  THotKeyAction *Find(std::uint16_t code);

  // -1 when no row holds the name.
  int FindByKey(std::string_view keyName) const;
  int FindByRemote(std::string_view buttonName) const;
  // In the pair of fields (keys or remote buttons) that `field` belongs to.
  int FindIn(TKeyField field, std::string_view name) const;

  // The other action that already holds `text` in the pair of `field`, or -1 (also for an empty
  // text and when the first holder is the edited row itself).
  int DuplicateOf(std::size_t row, TKeyField field, std::string_view text) const;
  // Stores the text in the row's field; with `clearDuplicate` the first other holder loses it
  // from the matching field(s) of its pair first.
  void Assign(std::size_t row, TKeyField field, std::string_view text, bool clearDuplicate);

  void SortByCode();

private:
  std::vector<THotKeyAction> rows_;
};

std::string &FieldOf(THotKeyAction &action, TKeyField field);
const std::string &FieldOf(const THotKeyAction &action, TKeyField field);

} // namespace qev::ui
