// The service pages against the simulated positioner: raw commands, the
// debug variables and arrays, IRS groups and arrays, the symptom limits and
// the MAP page's variables.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <bit>
#include <cmath>

#include "model/form_state.h"
#include "model/window_operations.h"
#include "registry/page_registry.h"
#include "service/array_transfer.h"
#include "service/debug_operations.h"
#include "service/hart_operations.h"
#include "service/irs_operations.h"
#include "service/limits_operations.h"
#include "service/map_operations.h"
#include "support/simulator_fixture.h"

namespace velk {
namespace {

class ServicePages : public SimulatorFixture {
 protected:
  ServicePages() { applyStartupDefaults(form(), window(), "."); }
  void SetUp() override { attachInstrument(); }

  std::uint64_t requests() { return simulator().counters().requests_for_us; }
  QString replyBytes(int count) {
    QStringList bytes;
    for (int i = 0; i < count; ++i) bytes.append(form().text(replyByteField(i)));
    return bytes.join(' ');
  }

  QTemporaryDir folder_;
  std::shared_ptr<ArrayGrid> grid_ = std::make_shared<ArrayGrid>();
  std::shared_ptr<TransferCancel> cancel_ = std::make_shared<TransferCancel>();
};

TEST_F(ServicePages, RawCommandsShowTheAnswerAsItCame) {
  struct Case {
    const char* name;
    int handle;
    QString command;
    QString length;
    QString progress;
    QString responseCode;
    QString responseLength;
  };
  const Case cases[] = {
      {"command 0", 1, "0", "0", "Response OK", "0", "12"},
      {"not implemented", 1, "99", "0", "Response error 15", "64", "0"},
      {"not connected", 0, "0", "0", "Transmission error 8", "", ""},
      // 253 echoes what it gets: a length of 40 sends 28 bytes (table 1's first six entries).
      {"length cut to 28", 1, "253", "40", "Response OK", "0", "28"},
      {"text that is no number", 1, "zero", "-3", "Response OK", "0", "12"},
  };
  for (int i = 0; i < 28; ++i) form().setText(requestByteField(i), "0");
  form().setText(requestByteField(1), "257");  // only its low eight bits go: table 1
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    window().InstrumentHandle.store(c.handle);
    form().setText(kRawCommandField, c.command);
    form().setText(kRawLengthField, c.length);
    sendRawCommandClick(job(), Sender::Click);
    EXPECT_EQ(form().text(kRawProgress), c.progress);
    EXPECT_EQ(form().text(kRawResponseCode), c.responseCode);
    EXPECT_EQ(form().text(kRawResponseLength), c.responseLength);
    EXPECT_EQ(form().text(kRawLengthField), c.length);  // the length field keeps what was typed
  }
  EXPECT_EQ(form().text(kRawCommandField), "0");
  window().InstrumentHandle.store(1);
  form().setText(kRawLengthField, "0");
  sendRawCommandClick(job(), Sender::Click);
  EXPECT_EQ(replyBytes(3), "254 62 97");
  form().setText(kRawCommandField, "99");
  sendRawCommandClick(job(), Sender::Click);
  EXPECT_EQ(replyBytes(3), "  ");  // a reply in error brings no data
}

TEST_F(ServicePages, DebugVariablesGoThroughTheDevicesTables) {
  readDebugVariableNames(job(), Sender::Click);
  EXPECT_EQ(form().text(kDebugVariableControls[0].name), "kp_scale");
  EXPECT_EQ(form().text(kDebugVariableControls[5].name), "pulse_min_down");
  readDebugVariables(job(), Sender::Click);
  EXPECT_EQ(form().text(kDebugVariableControls[4].read), "12");

  for (int i = 0; i < kDebugVariables; ++i)
    form().setText(kDebugVariableControls[i].write, QString::number(1000 * i - 1));
  writeDebugVariables(job(), Sender::Click);
  form().setText(kDebugVariableControls[6].write, "4242");
  writeDebugVariable(job(), 6);
  readDebugVariables(job(), Sender::Click);
  EXPECT_EQ(form().text(kDebugVariableControls[0].read), "65535");  // -1 as 16 bits
  EXPECT_EQ(form().text(kDebugVariableControls[3].read), "2999");
  EXPECT_EQ(form().text(kDebugVariableControls[6].read), "4242");
  EXPECT_EQ(form().text(kDebugVariableControls[7].read), "6999");

  // A field that is no whole number stops "Write variables" before anything goes out.
  form().setText(kDebugVariableControls[2].write, "12a");
  const auto before = requests();
  writeDebugVariables(job(), Sender::Click);
  EXPECT_EQ(requests(), before);
}

TEST_F(ServicePages, ArraysAreReadAndWrittenThroughTable1) {
  confirmDebugAddress(job(), Sender::Click);  // table 1 onto the array memory
  auto before = requests();
  runSteps(job(), readArray(grid_, cancel_, folder_.path()));
  EXPECT_EQ(requests() - before, 8u);  // 200 bytes: 28 * 7 + 4
  EXPECT_EQ(grid_->cell(0, ArrayGrid::Read), "0");
  EXPECT_EQ(grid_->cell(99, ArrayGrid::Read), "99");  // the array memory counts up
  EXPECT_EQ(form().text(kElementsDone), "100");

  QFile numbers(folder_.filePath(kWriteArrayFileName));
  ASSERT_TRUE(numbers.open(QIODevice::WriteOnly));
  numbers.write("-1 2\n3 40000 5\n");
  numbers.close();
  before = requests();
  runSteps(job(), writeArray(grid_, cancel_, folder_.path()));
  EXPECT_EQ(requests() - before, 1u);
  const auto memory = simulator().state().firmware.array_memory;
  EXPECT_EQ(
      std::vector<std::uint8_t>(memory.begin(), memory.begin() + 12),
      (std::vector<std::uint8_t>{0xFF, 0xFF, 2, 0, 3, 0, 0x40, 0x9C, 5, 0, 5, 0}));  // element 5 untouched
  EXPECT_EQ(form().text(kElementsDone), "5");

  form().setText(kArrayLength, "2");
  form().setText(kDataSize, "0");
  form().setChecked(kArraySigned, true);
  runSteps(job(), readArray(grid_, cancel_, folder_.path()));
  EXPECT_EQ(grid_->cell(0, ArrayGrid::Read), "-1");
  form().setChecked(kArraySigned, false);
  runSteps(job(), readArray(grid_, cancel_, folder_.path()));
  EXPECT_EQ(grid_->cell(0, ArrayGrid::Read), "255");
}

TEST_F(ServicePages, IrsReadsGroupsAndArraysAcrossChunks) {
  form().setText(kGroupNumber, "1");
  getGroup(job(), Sender::Click);
  const QList<QStringList> group = form().rows(kGroupGrid);
  ASSERT_EQ(group.size(), 25);
  EXPECT_EQ(group[9][0], "9");
  EXPECT_EQ(group[9][1], QString::number(12000 & 0xFF));  // the loop current's low byte
  EXPECT_EQ(group[10], (QStringList{"", ""}));

  // The trend is set at the start of an hour: the device's clock rolls it on only a minute later.
  simulator().update_state([](sim::DeviceState& s) {
    s.diagnostics.clock_s = 3600 * 1000;
    for (int i = 0; i < 24; ++i) s.diagnostics.trends[2][i] = static_cast<std::int16_t>(1000 * i - 500);
    s.diagnostics.trends[2][54] = 300;
  });
  form().setText(kArrayNumber, "3");
  const auto before = requests();
  runSteps(job(), getArray(cancel_));
  EXPECT_EQ(requests() - before, 3u);  // 23 + 23 + 4 bytes
  const QList<QStringList> rows = form().rows(kIrsArrayGrid);
  EXPECT_EQ(rows[0][1], "65036");  // -500 as 16 bits
  for (int i = 1; i < 24; ++i) EXPECT_EQ(rows[i][1], QString::number(1000 * i - 500)) << i;
  EXPECT_EQ(rows[24], (QStringList{"24", "300"}));
  EXPECT_EQ(rows[25], (QStringList{"END", ""}));
}

TEST_F(ServicePages, LimitsDownloadTheDefaultsAndAWrongFieldSendsNothing) {
  setLimitDefaults(form(), window());
  form().setText("Edit130", "");  // "Supply high kPa"
  auto before = requests();
  downloadLimits(job(), Sender::Click);
  EXPECT_EQ(form().text(kLimitsMessage), "Wrong at index 29");
  EXPECT_EQ(requests(), before);

  form().setText("Edit130", "800");
  downloadLimits(job(), Sender::Click);
  EXPECT_EQ(requests() - before, 7u);
  EXPECT_EQ(form().text(kLimitsMessage), "Download done  ");
  const auto limits = simulator().state().firmware.symptom_limits;
  EXPECT_EQ(limits[2], 2400);
  EXPECT_EQ(limits[21], 0x0780);
  EXPECT_EQ(limits[22], 0x2EFE);
  EXPECT_EQ(limits[29], 800);
  EXPECT_EQ(limits[74], 200);
  EXPECT_EQ(limits[75], 200);
}

TEST_F(ServicePages, MapVariablesAreReadWrittenAndTheirSelectionKept) {
  QString error;
  const auto map = loadMapFile(FIRMWARE_MAP_PATH, error);
  ASSERT_TRUE(map) << error.toStdString();
  simulator().update_state([](sim::DeviceState& s) {
    s.calibration.pid_p = 7.5f;
    s.diagnostics.events_logged = 4321;
  });
  for (const char* name : {"tun_pid_p", "evt_logged", "adc_loop_current", "tun_dead_band"}) {
    const auto symbol = std::find_if(map->symbols.begin(), map->symbols.end(),
                                     [name](const MapSymbol& s) { return s.name == name; });
    ASSERT_NE(symbol, map->symbols.end()) << name;
    ASSERT_TRUE(addMapVariable(form(), *symbol, error)) << error.toStdString();
  }
  setMapType(form(), 0, "float", '.');
  setMapType(form(), 3, "float", '.');
  readMapSelection(job(), folder_.path());
  const auto value = [this](int row) { return form().rows(kMapSelection)[row][kMapValue]; };
  EXPECT_EQ(value(0), "7.5");
  EXPECT_EQ(value(1), "4321");
  EXPECT_EQ(value(2), "12000");  // 12 mA in uA
  QFile readout(folder_.filePath(kMapReadoutFileName));
  ASSERT_TRUE(readout.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString(readout.readAll()).split('\n')[1], "evt_logged 0x20000124 signed 4321");

  writeMapVariable(job(), 3, "1.25");
  EXPECT_EQ(value(3), "1.25");
  EXPECT_EQ(simulator().state().calibration.dead_band_percent, 1.25f);

  QString message;
  ASSERT_TRUE(saveMapSelection(form(), folder_.path(), message)) << message.toStdString();
  const auto saved = mapSelection(form());
  form().setRows(kMapSelection, {});
  ASSERT_TRUE(loadMapSelection(form(), folder_.path(), &*map, message)) << message.toStdString();
  EXPECT_EQ(mapSelection(form()), saved);
  EXPECT_EQ(form().text(kMapFileLabel), folder_.filePath(kSelectionFileName));
}

}  // namespace
}  // namespace velk
