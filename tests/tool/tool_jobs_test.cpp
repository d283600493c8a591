// qevtool jobs on a hand-made root, with the user's unit folder in a temporary XDG_CONFIG_HOME
// and no service manager.
#include "data/channel_list.h"
#include "data/sat_list.h"
#include "support/run_command.h"
#include "support/temp_dir.h"
#include "tool_root.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>

using namespace qev;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

// Sets a variable for the test's length and puts back what it was.
class ScopedEnv {
public:
  ScopedEnv(const char *name, const std::string &value) : name_(name) {
    if (const char *old = std::getenv(name))
      old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_)
      ::setenv(name_, old_->c_str(), 1);
    else
      ::unsetenv(name_);
  }

private:
  const char *name_;
  std::optional<std::string> old_;
};

class ToolJobs : public test::ToolRoot {
protected:
  void SetUp() override {
    ToolRoot::SetUp();
    data::TSatList sats;
    ASSERT_TRUE(sats.SatAdd(DemoSat(1, 192, 1)));
    data::TChannelsList list(192, 1);
    data::TChannelRec rec{};
    rec.SatIndex = 1;
    rec.TID = 1025;
    rec.SID = 1041;
    data::SetChName(rec, "QEV One");
    list.ListAppend(rec);
    ASSERT_TRUE(list.ListSaveAll());
  }
  nlohmann::json ListJson() {
    EXPECT_EQ(Run({"--json", "jobs", "list"}), 0) << err.str();
    return nlohmann::json::parse(out.str());
  }

  test::TTempDir config{"qev_tool_jobs_"};
  ScopedEnv xdg{"XDG_CONFIG_HOME", config.Path().string()};
  ScopedEnv systemctl{"QEV_SYSTEMCTL", "false"};
  fs::path units = config / "systemd/user";
};

TEST_F(ToolJobs, AddedJobListsBackWithTheSameFieldsFromTheUsersUnitFolder) {
  ASSERT_EQ(Run({"--json", "jobs", "add", "--name", "Test", "--channel", "qev one", "--at",
                 "2027-01-01T20:15", "--minutes", "30", "--at-end", "suspend"}),
            0)
      << err.str();
  const nlohmann::json added = nlohmann::json::parse(out.str())["job"];
  EXPECT_EQ(added["name"], "QEVDVB-Rec [QEV One] [01012027 2015]");
  const nlohmann::json listed = ListJson();
  ASSERT_EQ(listed["jobs"].size(), 1u);
  nlohmann::json job = listed["jobs"][0];
  EXPECT_EQ(job, added);
  EXPECT_EQ(job["comment"], "Test");
  EXPECT_EQ(job["channel"], "QEV One");
  EXPECT_EQ(job["sat"], 1);
  EXPECT_EQ(job["tid"], 1025);
  EXPECT_EQ(job["sid"], 1041);
  EXPECT_EQ(job["start"], "2027-01-01T20:15");
  EXPECT_EQ(job["minutes"], 30);
  EXPECT_EQ(job["atEnd"], "suspend");
  EXPECT_EQ(job["action"], "record");
  EXPECT_EQ(job["command"], "/REC /SAT 1 /TID 1025 /SID 1041 /DUR 30 /ATEND SUSPEND");
  const std::string id = job["id"];
  EXPECT_TRUE(fs::exists(units / (id + ".timer")));
  EXPECT_TRUE(fs::exists(units / (id + ".service")));

  if (std::system("command -v systemd-analyze >/dev/null 2>&1") == 0) {
    const std::string calendar = job["onCalendar"];
    EXPECT_EQ(std::system(("systemd-analyze calendar '" + calendar + "' >/dev/null 2>&1").c_str()),
              0)
        << calendar;
  }

  ASSERT_EQ(Run({"jobs", "delete", id}), 0) << err.str();
  EXPECT_FALSE(fs::exists(units / (id + ".timer")));
  EXPECT_TRUE(ListJson()["jobs"].empty());
}

TEST_F(ToolJobs, WeeklyViewJobsAndRefusals) {
  ASSERT_EQ(Run({"jobs", "add", "--channel", "QEV One", "--at", "2027-01-04T06:00", "--view",
                 "--weekly", "Mon,fri", "--no-wake"}),
            0)
      << err.str();
  nlohmann::json job = ListJson()["jobs"][0];
  EXPECT_EQ(job["trigger"], "weekly");
  EXPECT_EQ(job["days"], nlohmann::json({"mon", "fri"}));
  EXPECT_EQ(job["onCalendar"], "Mon,Fri *-*-* 06:00:00");
  EXPECT_EQ(job["wake"], false);
  EXPECT_EQ(job["minutes"], 1);
  EXPECT_EQ(job["name"], "QEVDVB-View [QEV One] [04012027 0600]");

  EXPECT_EQ(Run({"jobs", "add", "--channel", "QEV One", "--at", "2027-01-04T06:00", "--view",
                 "--weekly", "Mon,fri"}),
            1);
  EXPECT_THAT(err.str(), HasSubstr("exists already"));
  EXPECT_EQ(Run({"jobs", "add", "--channel", "Nobody", "--at", "2027-01-04T06:00"}), 1);
  EXPECT_EQ(Run({"jobs", "add", "--channel", "QEV One", "--at", "tomorrow"}), 2);
  EXPECT_EQ(Run({"jobs", "add", "--channel", "QEV One", "--at", "2027-01-04T06:00", "--weekly",
                 "Someday"}),
            2);
  EXPECT_EQ(Run({"jobs", "delete", "qevdvb-job-none"}), 1);
  EXPECT_EQ(ListJson()["jobs"].size(), 1u);
}

TEST_F(ToolJobs, UnreadableUnitsAreReportedAndTheListFails) {
  fs::create_directories(units / "qevdvb-job-broken.timer");
  EXPECT_EQ(Run({"--json", "jobs", "list"}), 1);
  EXPECT_THAT(err.str(), HasSubstr("qevdvb-job-broken.timer"));
}

} // namespace
