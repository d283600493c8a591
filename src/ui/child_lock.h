#pragma once

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace qev::ui {

inline constexpr const char *kPromptChildLock = "ChildLock password";
inline constexpr const char *kPromptNewPassword = "New password";
inline constexpr const char *kPromptRetypePassword = "Retype password";
inline constexpr const char *kMsgPasswordsDiffer = "ChildLock: Passwords don`t match..";
inline constexpr const char *kMsgPasswordChanged = "ChildLock: Password was changed !";

// Asks the user for a password; nothing when the user cancelled.
class IPasswordAsker {
public:
  virtual ~IPasswordAsker() = default;
  virtual std::optional<std::string> AskPassword(const std::string &prompt) = 0;
};

// Keeps locked channels out of reach while engaged. The password is kept only as the MD5 digest
// of its upper-cased text, in the key ChpDigest of "Options.cfg". Until a password is set the
// lock protects nothing: unlocking needs no answer, and the first password needs no old one.
class TChildLock {
public:
  // The digest of a password: MD5 of the upper-cased text, 32 upper-case hex digits.
  static std::string Digest(std::string_view password);

  // Reads the digest from the options file. A missing file or key means no password; a file
  // that cannot be read leaves the password unknown, so no answer unlocks. Returns an error
  // text, empty when the file was read or is missing.
  std::string Load(const std::filesystem::path &optionsFile);

  bool Active() const { return active_; }
  void SetActive(bool active) { active_ = active; }
  bool PasswordSet() const { return stored_ != TStored::None; }

  // Asks for the password; the lock is disengaged exactly when the answer is right (a wrong
  // or cancelled answer engages it). Returns whether it is engaged afterwards.
  bool Unlock(IPasswordAsker &asker);
  // Unlocks first when engaged, then asks for the new password twice and stores it. A
  // mismatch or a failed save is shown to the user and keeps the old password. True when the
  // password was changed.
  bool ChangePassword(IPasswordAsker &asker);

private:
  enum class TStored { None, Digest, Unknown };

  bool Matches(const std::string &answer) const;
  std::string Store(const std::string &digest);

  // Read by the switch guard, which may run off the user-interface thread.
  std::atomic<bool> active_{true};
  TStored stored_ = TStored::None;
  std::string digest_;
  std::filesystem::path file_;
};

// The program's lock, engaged at every start.
TChildLock &ChildLock();

} // namespace qev::ui
