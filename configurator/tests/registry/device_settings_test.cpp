#include "registry/device_settings.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <map>

namespace velk {
namespace {

using Stored = std::map<QString, QString>;  // key in HARTConfig -> text; absent: missing

class DeviceSettingsTest : public ::testing::Test {
 protected:
  QString file() const { return dir_.filePath("settings.ini"); }

  void store(const Stored& values) {
    QSettings settings(file(), QSettings::IniFormat);
    settings.clear();
    settings.beginGroup("HARTConfig");
    for (const auto& [key, value] : values) settings.setValue(key, value);
  }

  Stored stored() const {
    QSettings settings(file(), QSettings::IniFormat);
    settings.beginGroup("HARTConfig");
    Stored values;
    for (const QString& key : settings.childKeys()) values[key] = settings.value(key).toString();
    return values;
  }

  DeviceSettings load() {
    auto settings = openSettings(file());
    return loadDeviceSettings(*settings);
  }

  QTemporaryDir dir_;
};

struct StartupCase {
  const char* what;
  Stored before;
  int comPort;
  int deviceType;
  int deviceVersion;
  const char* versionItem;
  Stored after;  // what the start-up leaves in the settings
};

TEST_F(DeviceSettingsTest, StartupRules) {
  const StartupCase cases[] = {
      {"first start", {}, 1, 97, 86, "&Unknown", {{"ComPort", "1"}, {"DevType", "97"}, {"DevVersion", "86"}}},
      {"port 0 is rewritten",
       {{"ComPort", "0"}, {"DevType", "97"}, {"DevVersion", "86"}},
       1,
       97,
       86,
       "&8.6",
       {{"ComPort", "1"}, {"DevType", "97"}, {"DevVersion", "86"}}},
      {"no number is rewritten",
       {{"ComPort", "COM3"}, {"DevType", "97"}, {"DevVersion", "90"}},
       1,
       97,
       90,
       "9.&0",
       {{"ComPort", "1"}, {"DevType", "97"}, {"DevVersion", "90"}}},
      {"port 9 is read as 1, not rewritten",
       {{"ComPort", "9"}, {"DevType", "607"}, {"DevVersion", "91"}},
       1,
       607,
       91,
       "&9.1",
       {{"ComPort", "9"}, {"DevType", "607"}, {"DevVersion", "91"}}},
      {"leading number",
       {{"ComPort", " 5x"}, {"DevType", "97"}, {"DevVersion", "100"}},
       5,
       97,
       100,
       "&10.0",
       {{"ComPort", " 5x"}, {"DevType", "97"}, {"DevVersion", "100"}}},
      {"negative port",
       {{"ComPort", "-3"}, {"DevType", "97"}, {"DevVersion", "101"}},
       1,
       97,
       101,
       "&10.1",
       {{"ComPort", "-3"}, {"DevType", "97"}, {"DevVersion", "101"}}},
      {"unknown type and version",
       {{"ComPort", "8"}, {"DevType", "5"}, {"DevVersion", "95"}},
       8,
       97,
       86,
       "&Unknown",
       {{"ComPort", "8"}, {"DevType", "5"}, {"DevVersion", "95"}}},
      {"text version",
       {{"ComPort", "2"}, {"DevType", "x"}, {"DevVersion", "9.1"}},
       2,
       97,
       86,
       "&Unknown",
       {{"ComPort", "2"}, {"DevType", "x"}, {"DevVersion", "9.1"}}},
      {"missing type only",
       {{"ComPort", "4"}, {"DevVersion", "86"}},
       4,
       97,
       86,
       "&8.6",
       {{"ComPort", "4"}, {"DevType", "97"}, {"DevVersion", "86"}}},
  };
  for (const StartupCase& c : cases) {
    SCOPED_TRACE(c.what);
    store(c.before);
    const DeviceSettings loaded = load();
    EXPECT_TRUE(loaded.available);
    EXPECT_EQ(loaded.comPort, c.comPort);
    EXPECT_EQ(loaded.deviceType, c.deviceType);
    EXPECT_EQ(loaded.deviceVersion, c.deviceVersion);
    EXPECT_STREQ(kVersionItems[loaded.versionItem].caption, c.versionItem);
    EXPECT_EQ(stored(), c.after);
  }
}

TEST_F(DeviceSettingsTest, ShutdownWritesWhatStartupReadsBack) {
  store({{"ComPort", "9"}});
  DeviceSettings values = load();
  values.deviceType = kDeviceTypeQ50;
  values.deviceVersion = 86;  // chosen as "&Unknown"
  values.versionItem = kVersionItemUnknown;
  values.portDevices[0] = "/dev/ttyUSB0";
  values.hartIpKeyFile = "/home/technician/gateway.psk";
  {
    auto settings = openSettings(file());
    saveDeviceSettings(*settings, values);
  }
  EXPECT_EQ(stored()["ComPort"], "1");  // the port in use, not the 9 found
  const DeviceSettings again = load();
  EXPECT_EQ(again.deviceType, kDeviceTypeQ50);
  EXPECT_STREQ(kVersionItems[again.versionItem].caption, "&8.6");
  EXPECT_EQ(again.portDevices[0], "/dev/ttyUSB0");
  EXPECT_TRUE(again.portDevices[1].isEmpty());
  EXPECT_EQ(again.hartIpKeyFile, "/home/technician/gateway.psk");

  values.portDevices[0].clear();  // back to the default device
  {
    auto settings = openSettings(file());
    saveDeviceSettings(*settings, values);
  }
  EXPECT_EQ(stored().count("ComDevice1"), 0u);
}

TEST_F(DeviceSettingsTest, UnavailableSettingsGiveDefaultsAndAreNotWritten) {
  // A settings file below a plain file can be neither read nor written.
  QFile blocker(dir_.filePath("not-a-folder"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const QString unreachable = dir_.filePath("not-a-folder/settings.ini");
  auto settings = openSettings(unreachable);
  DeviceSettings values = loadDeviceSettings(*settings);
  EXPECT_FALSE(values.available);
  EXPECT_EQ(values.comPort, 1);
  EXPECT_EQ(values.deviceType, kDeviceTypeQ5);
  EXPECT_EQ(values.versionItem, kVersionItemUnknown);
  values.comPort = 3;
  saveDeviceSettings(*settings, values);
  EXPECT_FALSE(QFile::exists(unreachable));
}

TEST(LeadingInteger, ReadsLikeACConversion) {
  const std::pair<const char*, long long> cases[] = {
      {"7", 7},   {"  12abc", 12}, {"+3", 3},  {"-4", -4},
      {"abc", 0}, {"", 0},         {"- 4", 0}, {"99999999999999999999", 2147483647},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(leadingInteger(text), value) << text;
}

}  // namespace
}  // namespace velk
