#include "registry/configuration_comparison.h"

#include <QHash>
#include <QRegularExpression>
#include <cstring>
#include <set>

#include "registry/config_file.h"

namespace velk {

namespace {

constexpr const char* kCurveCountKey = "CUSTOM CURVE TABLE SIZE";

// A file's values by key; its curve points by index, X before Y.
struct FileValues {
  QHash<QString, QString> byKey;
  std::set<int> points;  // the indexes of the points the file holds
};

FileValues valuesOf(const QByteArray& file) {
  static const QRegularExpression point(R"(^[XY]\((0|[1-9]\d{0,3})\))");
  FileValues values;
  for (QByteArray line : file.split('\n')) {
    if (line.endsWith('\r')) line.chop(1);
    const QString text = QString::fromLatin1(line);
    // The character after the key (the blank) is not part of the value.
    auto take = [&](const QString& key) { values.byKey.insert(key, text.mid(key.size() + 1)); };
    if (const QRegularExpressionMatch m = point.match(text); m.hasMatch()) {
      take(m.captured(0));
      values.points.insert(m.captured(1).toInt());
      continue;
    }
    if (text.startsWith(QLatin1String(kCurveCountKey))) {
      take(kCurveCountKey);
      continue;
    }
    for (const ConfigEntry& entry : configurationEntries()) {
      if (text.startsWith(QLatin1String(entry.key))) {
        take(entry.key);
        break;
      }
    }
  }
  return values;
}

}  // namespace

std::vector<ComparedEntry> compareConfigurations(const QByteArray& left, const QByteArray& right) {
  const FileValues l = valuesOf(left);
  const FileValues r = valuesOf(right);
  std::vector<ComparedEntry> rows;
  auto add = [&](const QString& key) {
    ComparedEntry row{key, std::nullopt, std::nullopt};
    if (const auto it = l.byKey.find(key); it != l.byKey.end()) row.left = *it;
    if (const auto it = r.byKey.find(key); it != r.byKey.end()) row.right = *it;
    if (!row.left && !row.right) return;
    row.differs = row.left != row.right;
    rows.push_back(std::move(row));
  };
  for (const ConfigEntry& entry : configurationEntries()) add(entry.key);
  add(kCurveCountKey);
  std::set<int> points = l.points;
  points.insert(r.points.begin(), r.points.end());
  for (const int index : points) {
    add(QString("X(%1)").arg(index));
    add(QString("Y(%1)").arg(index));
  }
  return rows;
}

QString comparedValueText(const std::optional<QString>& value) { return value ? *value : QString("(none)"); }

}  // namespace velk
