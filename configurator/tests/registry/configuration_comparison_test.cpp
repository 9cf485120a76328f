// Two configurations side by side: every key either holds, in the file's
// order, both values, the differing ones marked.
#include <gtest/gtest.h>

#include "registry/configuration_comparison.h"

namespace velk {
namespace {

constexpr const char* kHeader = "Velk Configurator 2.0\r\n";

ComparedEntry same(const char* key, const char* value) { return {key, QString(value), QString(value), false}; }
ComparedEntry changed(const char* key, std::optional<QString> left, std::optional<QString> right) {
  return {key, std::move(left), std::move(right), true};
}

TEST(ConfigurationComparison, EveryKeyInFileOrderWithTheDifferencesMarked) {
  struct Case {
    const char* what;
    QByteArray left, right;
    std::vector<ComparedEntry> rows;
  };
  const Case cases[] = {
      {"rows follow the file's order, not the lines'; line ends do not count",
       QByteArray(kHeader) + "STROKE LENGTH 30\r\nHART TAG FV-101\r\nDEVICE ID 41411\r\n",
       "Velk Configurator 2.0\nDEVICE ID 41411\nHART TAG FV-101\nSTROKE LENGTH 30\n",
       {same("DEVICE ID", "41411"), same("HART TAG", "FV-101"), same("STROKE LENGTH", "30")}},
      {"a changed value, and one the other file does not hold",
       QByteArray(kHeader) + "HART MESSAGE valve on line 4\r\nDEAD BAND 0.5\r\n",
       QByteArray(kHeader) + "HART MESSAGE valve on line 5\r\nPID P 120\r\n",
       {changed("HART MESSAGE", "valve on line 4", "valve on line 5"), changed("DEAD BAND", "0.5", std::nullopt),
        changed("PID P", std::nullopt, "120")}},
      {"an empty value is a value; older files' ignored keys and other lines are no rows",
       QByteArray(kHeader) + "SETPOINT\r\nHW VERISION 2\r\nAUX 1\r\nnonsense\r\n",
       QByteArray(kHeader) + "SETPOINT 50\r\n", {changed("SETPOINT", "", "50")}},
      {"the last line of a key counts, as when loading",
       QByteArray(kHeader) + "DIRECTION 0\r\nDIRECTION 1\r\n", QByteArray(kHeader) + "DIRECTION 1\r\n",
       {same("DIRECTION", "1")}},
      {"a longer curve's points beside none; points after the fields, X before Y, by index",
       QByteArray(kHeader) + "X(10) 50\r\nY(10) 50\r\nCUSTOM CURVE TABLE SIZE 17\r\nX(2) 20\r\nY(2) 20\r\n",
       QByteArray(kHeader) + "CUSTOM CURVE TABLE SIZE 3\r\nX(2) 20\r\nY(2) 25\r\nX(02) 1\r\n",
       {changed("CUSTOM CURVE TABLE SIZE", "17", "3"), same("X(2)", "20"), changed("Y(2)", "20", "25"),
        changed("X(10)", "50", std::nullopt), changed("Y(10)", "50", std::nullopt)}},
      {"nothing at all", QByteArray(), QByteArray(kHeader), {}},
  };
  for (const Case& c : cases) {
    const std::vector<ComparedEntry> rows = compareConfigurations(c.left, c.right);
    EXPECT_EQ(rows, c.rows) << c.what;
  }
}

}  // namespace
}  // namespace velk
