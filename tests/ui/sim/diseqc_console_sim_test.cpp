// The positioner console against the simulated sky: Dev_Sim.int loaded as the program loads a
// module, its motor travelling at a set speed. The console is driven as a user does, and the
// signal of a satellite behind the positioner may only come once the dish can have got there.
#include "device/device_loader.h"
#include "device/device_module.h"
#include "device/diseqc_log.h"
#include "device/diseqc_sender.h"
#include "device/tuner_clock.h"
#include "device/tuner_device.h"
#include "sim/sim_module.h"
#include "support/scripted_presenter.h"
#include "ui/qt/form_diseqc_console.h"
#include "ui/sat_ui_fixture.h"

#include <QApplication>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace qev::ui::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The motor starts due south; 10 degrees at 4 degrees a second, then 3 degrees more.
constexpr double kMotorSpeed = 4;
constexpr auto kTravelTo10E = 2500ms;
constexpr auto kTravel10ETo13E = 750ms;
// Only a broken positioner or console takes this long.
constexpr auto kDeadline = 30s;

constexpr const char *kSky = R"([Sky]
Name=Console sky
Fast=1
LnbLow=9750000
LnbHigh=10600000
MotorSpeed={}

[Motor 10E]
Position=5
Angle=10E
TP1=11000000,H,27500000,motor.ts,50,50,0

[Motor 13E]
Angle=13E
TP1=11100000,V,27500000,motor.ts,60,60,0
)";

void IgnoreCallback(std::int32_t, std::int32_t, void *) {}

// Low band of the universal LNB.
TuneRequest LowBand(std::uint32_t frequencyKhz, bool horizontal) {
  TuneRequest request{};
  request.Frequency = frequencyKhz;
  request.Always2 = 2;
  request.SymbolRate = 27500000;
  request.LnbFrequency = 9750000;
  request.Tone = 0;
  request.Voltage = horizontal ? 18 : 13;
  return request;
}

class DiseqcConsoleSimTest : public ::testing::Test, protected SatUiFixture {
protected:
  void SetUp() override {
    const std::filesystem::path sky = root.dir / "console_sky.ini";
    std::ofstream(sky) << fmt::format(kSky, kMotorSpeed);
    sim::test::SimModule::Get().SetSkyFile(sky.string());
    ASSERT_EQ(device::LoadDeviceModule(module, QEV_SIM_MODULE, &IgnoreCallback, nullptr),
              device::kLoaded);
    options.DiseqC.AdjustGotoX = false;
    context.Diseqc = &simSender;
    console = TFormDiseqcConsole::ShowConsole(nullptr, context);
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(console.data()));
  }
  void TearDown() override {
    if (console)
      console->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    module.Unload();
  }

  bool Locked() {
    SignalStatus status{};
    return simDevice.GetSignalStatus(status) == 0 && (status.Bits & QEV_SIGNAL_LOCK) != 0;
  }
  // Waits for the lock, keeping the windows alive; the time it came, or nothing.
  std::optional<Clock::time_point> WaitForLock() {
    if (!QTest::qWaitFor([this] { return Locked(); },
                         static_cast<int>(std::chrono::milliseconds(kDeadline).count())))
      return std::nullopt;
    return Clock::now();
  }
  void Click(const char *name) {
    auto *button = console->findChild<QPushButton *>(name);
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
  }
  void TypeInto(const char *name, const QString &text) {
    auto *field = console->findChild<QWidget *>(name);
    ASSERT_NE(field, nullptr) << name;
    field->setFocus();
    QApplication::processEvents();
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(QApplication::focusWidget(), text);
  }

  qev::test::ScriptedPresenter presenter;
  device::TDeviceModule module;
  device::TModuleTunerDevice simDevice{module};
  device::TDiseqcSender simSender{simDevice, device::SystemTunerClock(), options.DiseqC, diseqcLog};
  QPointer<TFormDiseqcConsole> console;
};

TEST_F(DiseqcConsoleSimTest, SignalComesOnlyOnceTheMotorHasArrived) {
  ASSERT_EQ(simDevice.Tune(LowBand(11000000, true)), 0);
  EXPECT_FALSE(Locked()); // the dish still points due south

  // To stored position 5, confirmed.
  TypeInto("StoredEdit", "5");
  presenter.AnswerNext(true);
  const Clock::time_point sent = Clock::now();
  Click("GotoStoredButton");
  ASSERT_EQ(presenter.Texts().back(), "Move dish to [ 5 ] ?");
  const std::optional<Clock::time_point> locked = WaitForLock();
  ASSERT_TRUE(locked) << "no lock after the motor's travel";
  EXPECT_GE(*locked - sent, kTravelTo10E);

  // On by angle to 13.0E: the first satellite is lost as the dish leaves, the second comes
  // once it is there.
  ASSERT_EQ(simDevice.Tune(LowBand(11100000, false)), 0);
  EXPECT_FALSE(Locked());
  TypeInto("AngleEdit", "13.0");
  auto *side = console->findChild<QComboBox *>("AngleSideBox");
  ASSERT_EQ(side->currentText(), "E");
  const Clock::time_point turned = Clock::now();
  Click("GotoAngleButton");
  const std::optional<Clock::time_point> lockedAgain = WaitForLock();
  ASSERT_TRUE(lockedAgain);
  EXPECT_GE(*lockedAgain - turned, kTravel10ETo13E);

  // Every message went through the DiSEqC log.
  EXPECT_THAT(diseqcLog.Lines(), ::testing::Contains("E0 31 6B 05 "));
  EXPECT_THAT(diseqcLog.Lines(), ::testing::Contains("E0 31 6E FF 30 ")); // USALS Generic
}

} // namespace
} // namespace qev::ui::test
