// The longest requests the pages send, against a positioner at the line's own
// speed (1200 baud both ways): each must be answered at its first attempt.
// Slow by nature (about half a minute of line time), so one test only.
#include <QFile>
#include <QTemporaryDir>

#include "pages/characteristics_operations.h"
#include "registry/page_registry.h"
#include "service/array_transfer.h"
#include "service/debug_operations.h"
#include "service/limits_operations.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

sim::SimulatorConfig pacedSimulator() {
  sim::SimulatorConfig config;
  config.line.pace = true;
  return config;
}

class PacedLine : public SimulatorFixture {
 protected:
  PacedLine() : SimulatorFixture(pacedSimulator()) { applyStartupDefaults(form(), window(), "."); }
  void SetUp() override { attachInstrument(); }

  // Requests the device took while `run` ran.
  template <typename Run>
  std::uint64_t requestsFor(Run run) {
    const auto before = simulator().counters().requests_for_us;
    run();
    return simulator().counters().requests_for_us - before;
  }
};

TEST_F(PacedLine, DebugArrayLimitsAndA33PointCurveAreAnsweredFirstTime) {
  // DEBUG: a whole block of the array memory, one 28-byte command 253.
  QTemporaryDir folder;
  confirmDebugAddress(job(), Sender::Click);
  QFile numbers(folder.filePath(kWriteArrayFileName));
  ASSERT_TRUE(numbers.open(QIODevice::WriteOnly));
  numbers.write("1 2 3 4 5 6 7 8 9 10 11 12\n");
  numbers.close();
  auto grid = std::make_shared<ArrayGrid>();
  auto cancel = std::make_shared<TransferCancel>();
  EXPECT_EQ(requestsFor([&] { runSteps(job(), writeArray(grid, cancel, folder.path())); }), 1u);
  EXPECT_EQ(simulator().state().firmware.array_memory[22], 12);

  // LIMITS: six chunks of 28 bytes and one of 19.
  setLimitDefaults(form(), window());
  EXPECT_EQ(requestsFor([&] { downloadLimits(job(), Sender::Click); }), 7u);
  EXPECT_EQ(form().text(kLimitsMessage), "Download done  ");

  // CHARACTERISTICS: the characteristic, the point count and 33 points.
  simulator().update_state([](sim::DeviceState& s) { s.service.out_of_service = true; });
  startCharacteristicsPage(form(), window());
  form().setText(kComboBoxCharacter, "Custom curve");
  ComboBoxCharacterChange(form(), window());
  form().setText(kComboBoxNumberOfPoints, "33");
  ComboBoxNumberOfPointsChange(form(), window(), [](const QString&) { return true; });
  EXPECT_EQ(requestsFor([&] { ButtonCharacterSendClick(job(), Sender::Click); }), 35u);
  const sim::CharacteristicSettings curve = simulator().state().characteristic;
  EXPECT_EQ(curve.transfer_function, sim::transfer_function::kCustom);
  EXPECT_EQ(curve.custom_point_count, 33);
  EXPECT_EQ(curve.custom_points[32], (sim::CurvePoint{100.0f, 100.0f}));

  expectNoFailedCommand();
}

}  // namespace
}  // namespace velk
