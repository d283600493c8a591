#include "ui/child_lock.h"

#include "frame/fast_ini_file.h"
#include "frame/md5.h"

#include "../support/scripted_presenter.h"
#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <deque>
#include <fstream>

namespace qev::ui {
namespace {

// Answers the prompts from a list (nothing stands for cancel) and records them.
class ScriptedAsker : public IPasswordAsker {
public:
  ScriptedAsker(std::initializer_list<std::optional<std::string>> answers) : answers_(answers) {}
  std::optional<std::string> AskPassword(const std::string &prompt) override {
    prompts.push_back(prompt);
    if (answers_.empty())
      return std::nullopt;
    auto answer = answers_.front();
    answers_.pop_front();
    return answer;
  }
  std::vector<std::string> prompts;

private:
  std::deque<std::optional<std::string>> answers_;
};

class ChildLockTest : public ::testing::Test {
protected:
  void WriteOptions(const std::string &text) { std::ofstream(options_) << text; }
  std::string StoredDigest() {
    frame::TFastIniFile ini(options_);
    return ini.ReadString("Options", "ChpDigest", "");
  }

  test::TTempDir dir_{"childlock"};
  std::filesystem::path options_ = dir_ / "Options.cfg";
  test::ScriptedPresenter presenter_;
  TChildLock lock_;
};

TEST_F(ChildLockTest, DigestIsMd5OfTheUpperCasedPassword) {
  EXPECT_EQ(TChildLock::Digest("secret"), frame::Md5Hex("SECRET"));
  EXPECT_EQ(TChildLock::Digest("Secret"), "44C7BE48226EBAD5DCA8216674CAD62B");
}

TEST_F(ChildLockTest, WithoutPasswordUnlocksWithoutAskingAndFirstChangeNeedsNoOldOne) {
  ASSERT_EQ(lock_.Load(options_), ""); // missing file
  EXPECT_TRUE(lock_.Active());
  EXPECT_FALSE(lock_.PasswordSet());
  ScriptedAsker asker{"abc", "ABC"};
  EXPECT_TRUE(lock_.ChangePassword(asker));
  EXPECT_EQ(asker.prompts, (std::vector<std::string>{kPromptNewPassword, kPromptRetypePassword}));
  EXPECT_EQ(presenter_.Texts(), std::vector<std::string>{kMsgPasswordChanged});
  EXPECT_EQ(StoredDigest(), TChildLock::Digest("ABC"));

  TChildLock restarted; // the lock is engaged again after a restart
  ASSERT_EQ(restarted.Load(options_), "");
  EXPECT_TRUE(restarted.Active());
  ScriptedAsker wrong{"abd"};
  EXPECT_TRUE(restarted.Unlock(wrong));
  EXPECT_EQ(wrong.prompts, std::vector<std::string>{kPromptChildLock});
  ScriptedAsker right{"aBc"};
  EXPECT_FALSE(restarted.Unlock(right));
}

TEST_F(ChildLockTest, KeepsDigestsMadeElsewhereAndTreatsTheUnknownDefaultAsNone) {
  WriteOptions("[Options]\nChpDigest=" + frame::Md5Hex("PIN") + "\n");
  ASSERT_EQ(lock_.Load(options_), "");
  ScriptedAsker cancel{std::nullopt};
  EXPECT_TRUE(lock_.Unlock(cancel));
  ScriptedAsker right{"pin"};
  EXPECT_FALSE(lock_.Unlock(right));
  ScriptedAsker wrongAgain{"nip"}; // a wrong answer engages the lock again
  EXPECT_TRUE(lock_.Unlock(wrongAgain));
  EXPECT_TRUE(presenter_.shown.empty());

  WriteOptions("[Options]\nChpDigest=7f2a9c41e08b53d6a1c4f9e2b7305d18\n");
  ASSERT_EQ(lock_.Load(options_), "");
  EXPECT_FALSE(lock_.PasswordSet());
}

TEST_F(ChildLockTest, ChangeAsksTheOldPasswordWhileEngagedAndOnlyTheNewOneWhenNot) {
  WriteOptions("[Options]\nChpDigest=" + frame::Md5Hex("OLD") + "\nOther=1\n");
  ASSERT_EQ(lock_.Load(options_), "");
  ScriptedAsker wrongOld{"bad", "new", "new"};
  EXPECT_FALSE(lock_.ChangePassword(wrongOld));
  EXPECT_EQ(wrongOld.prompts, std::vector<std::string>{kPromptChildLock});
  EXPECT_TRUE(lock_.Active());

  ScriptedAsker rightOld{"old", "new", "new"};
  EXPECT_TRUE(lock_.ChangePassword(rightOld));
  EXPECT_EQ(rightOld.prompts.size(), 3u);
  EXPECT_FALSE(lock_.Active());

  ScriptedAsker disengaged{"newer", "newer"};
  EXPECT_TRUE(lock_.ChangePassword(disengaged));
  EXPECT_EQ(disengaged.prompts,
            (std::vector<std::string>{kPromptNewPassword, kPromptRetypePassword}));
  EXPECT_EQ(StoredDigest(), TChildLock::Digest("NEWER"));
  frame::TFastIniFile ini(options_);
  EXPECT_EQ(ini.ReadString("Options", "Other", ""), "1"); // other keys stay
}

TEST_F(ChildLockTest, MismatchOrCancelKeepsTheOldDigest) {
  WriteOptions("[Options]\nChpDigest=" + frame::Md5Hex("OLD") + "\n");
  ASSERT_EQ(lock_.Load(options_), "");
  ScriptedAsker mismatch{"old", "one", "two"};
  EXPECT_FALSE(lock_.ChangePassword(mismatch));
  EXPECT_EQ(presenter_.Texts(), std::vector<std::string>{kMsgPasswordsDiffer});
  EXPECT_EQ(presenter_.shown[0].icon, frame::MessageIcon::Error);
  ScriptedAsker cancelRetype{"one", std::nullopt};
  EXPECT_FALSE(lock_.ChangePassword(cancelRetype));
  ScriptedAsker cancelNew{std::nullopt};
  EXPECT_FALSE(lock_.ChangePassword(cancelNew));
  EXPECT_EQ(StoredDigest(), frame::Md5Hex("OLD"));
  EXPECT_EQ(presenter_.shown.size(), 1u);
}

TEST_F(ChildLockTest, AnUnreadableFileKeepsTheLockEngagedAndIsNotWrittenOver) {
  std::filesystem::create_directory(options_);
  EXPECT_NE(lock_.Load(options_), "");
  EXPECT_TRUE(lock_.PasswordSet());
  ScriptedAsker any{"", "x", "x"};
  EXPECT_TRUE(lock_.Unlock(any));
  EXPECT_FALSE(lock_.ChangePassword(any));
  EXPECT_TRUE(std::filesystem::is_directory(options_));
}

TEST_F(ChildLockTest, AFailedSaveReachesTheUserAndKeepsThePassword) {
  ASSERT_EQ(lock_.Load(dir_ / "missing" / "deeper"), "");
  std::ofstream(dir_ / "missing") << "a file where a folder should be";
  ScriptedAsker asker{"pw", "pw"};
  EXPECT_FALSE(lock_.ChangePassword(asker));
  ASSERT_EQ(presenter_.shown.size(), 1u);
  EXPECT_EQ(presenter_.shown[0].icon, frame::MessageIcon::Error);
  EXPECT_FALSE(lock_.PasswordSet());
}

} // namespace
} // namespace qev::ui
