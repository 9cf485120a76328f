// The configuration file on the form state alone: what a window with known
// contents writes, byte for byte, what the reader takes and refuses, and that
// whatever it writes loads back to the same window.
#include "registry/config_file.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <random>

#include "model/characteristic_curve.h"
#include "registry/page_registry.h"
#include "support/core_fixture.h"

namespace velk {
namespace {

using namespace std::string_view_literals;

class ConfigFileTest : public CoreTest {
 protected:
  ConfigFileTest() { applyDefaults(); }

  // Every field of the file given a text of its own, as after a Read All.
  void fillKnownContents() {
    int n = 0;
    for (const ConfigEntry& entry : configurationEntries()) {
      ++n;
      switch (entry.form) {
        case ConfigValueForm::Text:
          form().setText(entry.control, QString("%1 v%2").arg(entry.key).arg(n));
          break;
        case ConfigValueForm::Index: form().setSelectedIndex(entry.control, 1); break;
        case ConfigValueForm::Flag: form().setChecked(entry.control, n % 2 == 0); break;
      }
    }
    CustomCurve curve = CustomCurve::straightLine(5);
    curve.output[1] = 100.0f / 3;
    curve.output[2] = 3.125f;
    window().CustomCurve.set(curve);
  }

  static QByteArray golden(const char* name) {
    QFile file(QString(VELK_GOLDEN_DIR) + "/" + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
  }

  ConfigurationLoad load(const QByteArray& text) { return loadConfigurationText(text, form(), window()); }
};

TEST_F(ConfigFileTest, AWindowWritesExactlyTheGoldenFileOfItsVersion) {
  fillKnownContents();
  for (const auto& [version, name] :
       {std::pair{86, "config_86.txt"}, {90, "config_90.txt"}, {91, "config_91.txt"}}) {
    window().DeviceVersion.store(version);
    const ConfigurationText text = configurationText(form(), window());
    EXPECT_EQ(text.bytes.toStdString(), golden(name).toStdString()) << name;
    EXPECT_EQ(text.lines, text.bytes.count('\n')) << name;
  }
}

struct LoadCase {
  const char* what;
  std::string_view file;
  bool ok;
  int lines;
  const char* control;  // a field and what it holds afterwards
  const char* text;
};

TEST_F(ConfigFileTest, LoadsWhatItCanAndRefusesAWholeFileForOneBadValue) {
  const LoadCase cases[] = {
      {"an empty file is no configuration", "", false, 0, "EditSetPoint", "0"},
      {"nor is a text in which no line starts with a key",
       "root:x:0:0:root:/root:/bin/bash\ndaemon:x:1:1:daemon:/usr/sbin:/usr/sbin/nologin\n", false, 0,
       "EditSetPoint", "0"},
      {"a line with no value empties the field", "Velk Configurator 2.0\r\nSETPOINT\r\n", true, 2,
       "EditSetPoint", ""},
      {"a value keeps its blanks", "Velk Configurator 2.0\nHART MESSAGE two words \n", true, 2,
       "LabelHartMessageValue", "two words "},
      {"format 1.0 skips the gated lines", "\nHART MESSAGE old\nHW VERSION 3\nDATE x\n", true, 2,
       "LabelHWverValue", "3"},
      {"old keys are ignored, unknown lines skipped",
       "Velk Configurator 2.0\nAUX 1\nNOTHING\nTOGGLE SIZE 7\n", true, 2, "EditToggleSize", "7"},
      {"a flag that is no number", "Velk Configurator 2.0\nSETPOINT 5\nALARM TEMP CHECKED x\n", false, 0,
       "EditSetPoint", "0"},
      {"a separator the locale does not use", "Velk Configurator 2.0\nDEAD BAND 0,5\nX(1) 3,125\n", false, 0,
       "EditDeadBand", "0.5"},
      {"a curve count the curve cannot have", "Velk Configurator 2.0\nCUSTOM CURVE TABLE SIZE 40\n", false, 0,
       "EditSetPoint", "0"},
      {"an index beyond the items", "Velk Configurator 2.0\nSOURCE 3\n", false, 0, "EditSetPoint", "0"},
      {"a NUL byte", "Velk Configurator 2.0\nSETPOINT 5\n\0"sv, false, 0, "EditSetPoint", "0"},
  };
  const char* notCurvePoints[] = {"nan", "inf", "-inf", "1e39", "NAN"};
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.what);
    applyDefaults();
    const ConfigurationLoad result = load(QByteArray(c.file.data(), qsizetype(c.file.size())));
    EXPECT_EQ(result.ok, c.ok) << result.error.toStdString();
    if (c.ok) {
      EXPECT_EQ(result.lines, c.lines);
    }
    EXPECT_EQ(form().text(c.control), c.text);
  }
  for (const char* value : notCurvePoints) {
    applyDefaults();
    EXPECT_FALSE(load(QByteArray("Velk Configurator 2.0\nSETPOINT 5\nY(1) ") + value + "\n").ok) << value;
    EXPECT_EQ(form().text("EditSetPoint"), "0") << value;
  }
  applyDefaults();
  EXPECT_FALSE(load("Velk Configurator 2.0\nSETPOINT " + QByteArray(5000, '1') + "\n").ok);
  EXPECT_FALSE(load(QByteArray(5000, '\x90')).ok);  // the header line too
  const ConfigurationLoad bad = load("Velk Configurator 2.0\nSETPOINT 1\nALARM TEMP CHECKED x\n");
  EXPECT_EQ(bad.error, "line 3: ALARM TEMP CHECKED");
}

// The pages follow what a load changed (a changed source is clicked), so a
// value the window already held, or one changed and changed back, is no change.
TEST_F(ConfigFileTest, SaysWhichControlsTheFileChangedAndTheStrokeUnitFollowsThePositionUnit) {
  struct Case {
    const char* what;
    QByteArray lines;
    QStringList changed;
    const char* strokeUnit;
  };
  const Case cases[] = {
      {"values the window holds", "SOURCE 1\nSETPOINT 0\nUNIT POSITION %\n", {}, "mm"},
      {"a source and a setpoint",
       "SOURCE 0\nSETPOINT 5\n",
       {"EditSetPoint", "RadioGroupSetPointSource"},
       "mm"},
      {"a source changed and changed back", "SOURCE 0\nSOURCE 1\n", {}, "mm"},
      {"a check box", "ALARM TEMP CHECKED 1\n", {"CheckBoxAlarmTemp"}, "mm"},
      {"inches: the loaded stroke is taken as it stands",
       "STROKE LENGTH 2\nUNIT POSITION inch\n",
       {"ComboBoxPosition", "EditStroke"},
       "inch"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    applyDefaults();
    ConfigurationLoad result = load("Velk Configurator 2.0\n" + c.lines);
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    result.changedControls.sort();
    EXPECT_EQ(result.changedControls, c.changed);
    EXPECT_EQ(form().text("LabelStrokeUnit"), c.strokeUnit);
  }
  EXPECT_EQ(form().text("EditStroke"), "2");
}

TEST_F(ConfigFileTest, TheCurveCountInEffectDecidesWhichPointsAreRead) {
  window().CustomCurve.set(CustomCurve::straightLine(33));
  const ConfigurationLoad result = load(
      "Velk Configurator 2.0\nCUSTOM CURVE TABLE SIZE 5\nX(0) 0\nY(0) 1\nX(4) 100\nY(4) 90\nX(5) 7\nY(5) "
      "7\n");
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.lines, 6);
  const CustomCurve curve = window().CustomCurve.get();
  EXPECT_EQ(curve.count, 5);
  EXPECT_EQ(curve.output[0], 1.0f);
  EXPECT_EQ(curve.output[4], 90.0f);
  EXPECT_EQ(curve.input[5], CustomCurve::straightLine(33).input[5]);  // beyond the count: skipped
}

// Whatever a window holds, loading its file into a fresh window and saving
// again gives the same bytes.
TEST_F(ConfigFileTest, WhatIsSavedLoadsBackToTheSameWindow) {
  std::mt19937 random(20261208);
  auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
  const QString alphabet = QString::fromLatin1("abc XYZ 0189,.-_%\xe9\xf1");
  for (int round = 0; round < 20; ++round) {
    for (const ConfigEntry& entry : configurationEntries()) {
      switch (entry.form) {
        case ConfigValueForm::Text: {
          QString text;
          for (int i = pick(12); i > 0; --i) text += alphabet[pick(int(alphabet.size()))];
          form().setText(entry.control, text);
          break;
        }
        case ConfigValueForm::Index:
          form().setSelectedIndex(entry.control, pick(int(form().items(entry.control).size())));
          break;
        case ConfigValueForm::Flag: form().setChecked(entry.control, pick(2) == 1); break;
      }
    }
    const int counts[] = {3, 5, 9, 17, 33};
    CustomCurve curve = CustomCurve::straightLine(counts[pick(5)]);
    for (float& value : curve.output) value = std::uniform_real_distribution<float>(-20, 120)(random);
    window().CustomCurve.set(curve);
    window().DeviceVersion.store(pick(2) ? 101 : 86);
    const QByteArray saved = configurationText(form(), window()).bytes;

    Configurator fresh(fakeLink());
    applyStartupDefaults(fresh.form, fresh.window, ".");
    fresh.window.DeviceVersion.store(window().DeviceVersion.load());
    ASSERT_TRUE(loadConfigurationText(saved, fresh.form, fresh.window).ok) << round;
    EXPECT_EQ(configurationText(fresh.form, fresh.window).bytes.toStdString(), saved.toStdString()) << round;
    const CustomCurve loaded = fresh.window.CustomCurve.get();
    EXPECT_EQ(loaded.count, curve.count);
    for (int i = 0; i < curve.count; ++i) EXPECT_EQ(loaded.output[i], curve.output[i]) << round << " " << i;
  }
}

TEST_F(ConfigFileTest, ASaveThatCannotBeWrittenSaysSo) {
  QTemporaryDir dir;
  const QString path = dir.filePath("no such folder/config.txt");
  const ConfigurationSave failed = saveConfiguration(path, form(), window());
  EXPECT_FALSE(failed.ok);
  EXPECT_TRUE(failed.error.startsWith("Could not write " + path)) << failed.error.toStdString();
}

}  // namespace
}  // namespace velk
