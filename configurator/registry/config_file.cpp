#include "registry/config_file.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>
#include <variant>

#include "model/characteristic_curve.h"
#include "model/file_replacement.h"
#include "model/form_fields.h"
#include "model/form_state.h"
#include "model/number_text.h"
#include "model/window_state.h"
#include "registry/page_registry.h"

namespace velk {

namespace {

using Form = ConfigValueForm;

constexpr const char* kCurveCountKey = "CUSTOM CURVE TABLE SIZE";
// Keys of older files that are recognised and ignored.
constexpr const char* kIgnoredKeys[] = {"AUX", "HW VERISION", "SW VERISION", "ASSAMBLY NUMBER"};
constexpr int kLongestLine = 4096;
constexpr int kCurvePointDigits = 15;

QByteArray latin1(const QString& text) { return text.toLatin1(); }

// "X(12)" and "Y(12)".
QString pointKey(char axis, int point) { return QString("%1(%2)").arg(QChar(axis)).arg(point); }

// The form's whole numbers: an optional sign and digits.
std::optional<int> wholeNumber(const QString& text) {
  bool ok = false;
  const int value = text.toInt(&ok);
  if (!ok) return std::nullopt;
  return value;
}

// A number in the locale's notation, in plain or exponent form (as a value
// written with 15 significant digits can be).
std::optional<float> realNumber(const QString& text, char separator) {
  std::string value = text.toStdString();
  if (separator != '.') {
    if (value.find('.') != std::string::npos) return std::nullopt;
    std::replace(value.begin(), value.end(), separator, '.');
  }
  if (value.empty() || value.find_first_of(" \t") != std::string::npos) return std::nullopt;
  double number = 0;
  const char* first = value.data();
  const char* last = first + value.size();
  const auto [end, error] = std::from_chars(first, last, number, std::chars_format::general);
  if (error != std::errc() || end != last) return std::nullopt;
  // "nan", "inf" and numbers beyond the single range are no point of a curve
  // a device could follow.
  const auto single = static_cast<float>(number);
  if (!std::isfinite(single)) return std::nullopt;
  return single;
}

// The number that ends the header line; 1.0 when it holds none.
double formatVersion(const QString& header) {
  static const QRegularExpression trailingNumber(R"((\d+(?:\.\d+)?)\s*$)");
  const QRegularExpressionMatch match = trailingNumber.match(header);
  return match.hasMatch() ? match.captured(1).toDouble() : 1.0;
}

// What one line of a file does, converted, before anything is set.
struct SetText {
  const ConfigEntry* entry;
  QString text;
};
struct SetIndex {
  const char* control;
  int index;
};
struct SetFlag {
  const char* control;
  bool checked;
};
struct SetCurveCount {
  int count;
};
struct SetCurvePoint {
  bool output;
  int point;
  float value;
};
using Change = std::variant<SetText, SetIndex, SetFlag, SetCurveCount, SetCurvePoint>;

// Points a curve of `count` points has a line for: all below the count.
bool curveHasPoint(int count, int point) { return point >= 0 && point < std::max(count, 4); }

// "X(12)" or "Y(12)" at the start of a line: whether it is Y, and the point.
std::optional<std::pair<bool, int>> pointOfKey(const QString& line) {
  if (line.size() < 4 || (line[0] != 'X' && line[0] != 'Y') || line[1] != '(') return std::nullopt;
  int point = 0;
  qsizetype i = 2;
  for (; i < line.size() && i < 4 && line[i].isDigit(); ++i) point = point * 10 + line[i].digitValue();
  if (i == 2 || i >= line.size() || line[i] != ')') return std::nullopt;
  return std::pair{line[0] == 'Y', point};
}

QString valueAfter(const QString& line, qsizetype keyLength) {
  // The character right after the key, normally the blank, is not part of it.
  return line.mid(keyLength + 1);
}

}  // namespace

const std::vector<ConfigEntry>& configurationEntries() {
  static const std::vector<ConfigEntry> entries = [] {
    std::vector<ConfigEntry> all = {{"FACTORY RESET", Form::Text, "EditPassword"}};
    for (const PageModule* module : modulesByPlace(&PageModule::configurationPlace))
      all.insert(all.end(), module->configurationEntries.begin(), module->configurationEntries.end());
    return all;
  }();
  return entries;
}

ConfigurationText configurationText(const FormState& form, const WindowState& window) {
  ConfigurationText file;
  auto line = [&file](const QString& key, const QString& value) {
    file.bytes += latin1(key) + ' ' + latin1(value) + "\r\n";
    ++file.lines;
  };
  file.bytes = QByteArray(kConfigurationHeader) + "\r\n";
  file.lines = 1;
  const int version = window.DeviceVersion.load();
  for (const ConfigEntry& entry : configurationEntries()) {
    if (version < entry.minimumVersion) continue;
    switch (entry.form) {
      case Form::Text: line(entry.key, form.text(entry.control)); break;
      case Form::Index: line(entry.key, QString::number(form.selectedIndex(entry.control))); break;
      case Form::Flag: line(entry.key, form.checked(entry.control) ? "1" : "0"); break;
    }
  }
  const CustomCurve curve = window.CustomCurve.get();
  line(kCurveCountKey, QString::number(curve.count));
  const char separator = decimalSeparator(window);
  auto real = [separator](float value) {
    return QString::fromStdString(formatGeneral(value, kCurvePointDigits, separator));
  };
  for (int point = 0; point < curve.count; ++point) {
    line(pointKey('X', point), real(curve.input[static_cast<std::size_t>(point)]));
    line(pointKey('Y', point), real(curve.output[static_cast<std::size_t>(point)]));
  }
  return file;
}

ConfigurationSave saveConfiguration(const QString& path, const FormState& form, const WindowState& window) {
  const ConfigurationText text = configurationText(form, window);
  ConfigurationSave result;
  if (const QString reason = replaceFile(path, text.bytes); !reason.isEmpty()) {
    result.error = QString("Could not write %1: %2").arg(path, reason);
    return result;
  }
  result.ok = true;
  result.lines = text.lines;
  return result;
}

ConfigurationLoad loadConfigurationText(const QByteArray& bytes, FormState& form, WindowState& window) {
  ConfigurationLoad result;
  if (bytes.contains('\0')) {
    result.error = "it is not a text file";
    return result;
  }
  QList<QByteArray> lines = bytes.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  for (QByteArray& line : lines)
    if (line.endsWith('\r')) line.chop(1);

  for (qsizetype number = 0; number < lines.size(); ++number) {
    if (lines[number].size() > kLongestLine) {
      result.error = QString("line %1 is too long").arg(number + 1);
      return result;
    }
  }

  const char separator = decimalSeparator(window);
  const double version = lines.isEmpty() ? 1.0 : formatVersion(QString::fromLatin1(lines.first()));
  const bool formatOne = version == 1.0;
  int curveCount = window.CustomCurve.get().count;
  std::vector<Change> changes;

  // A file in which no line starts with a key is some other file, whose
  // name must not be kept for the next save.
  bool holdsAKey = false;
  for (qsizetype number = 1; number < lines.size(); ++number) {
    const QString line = QString::fromLatin1(lines[number]);
    auto failAt = [&](const char* key) {
      result.error = QString("line %1: %2").arg(number + 1).arg(QString::fromLatin1(key));
      return result;
    };

    if (std::any_of(std::begin(kIgnoredKeys), std::end(kIgnoredKeys),
                    [&](const char* key) { return line.startsWith(QLatin1String(key)); })) {
      holdsAKey = true;
      continue;
    }
    if (line.startsWith(QLatin1String(kCurveCountKey))) {
      holdsAKey = true;
      const auto count = wholeNumber(valueAfter(line, qsizetype(std::strlen(kCurveCountKey))));
      // A count the curve cannot have would leave points nobody can show or send.
      if (!count || !isCurvePointCount(*count)) return failAt(kCurveCountKey);
      curveCount = *count;
      changes.push_back(SetCurveCount{*count});
      continue;
    }
    if (const auto point = pointOfKey(line)) {
      holdsAKey = true;
      if (!curveHasPoint(curveCount, point->second)) continue;
      const QString key = pointKey(point->first ? 'Y' : 'X', point->second);
      const auto value = realNumber(valueAfter(line, key.size()), separator);
      if (!value) return failAt(key.toLatin1().constData());
      changes.push_back(SetCurvePoint{point->first, point->second, *value});
      continue;
    }
    const ConfigEntry* entry = nullptr;
    for (const ConfigEntry& candidate : configurationEntries())
      if (line.startsWith(QLatin1String(candidate.key))) entry = &candidate;
    if (entry == nullptr) continue;
    holdsAKey = true;
    if (entry->versionGated && formatOne) continue;

    const QString value = valueAfter(line, qsizetype(std::strlen(entry->key)));
    switch (entry->form) {
      case Form::Text: changes.push_back(SetText{entry, value}); break;
      case Form::Index: {
        const auto index = wholeNumber(value);
        if (!index || *index < 0 || *index >= form.items(entry->control).size()) return failAt(entry->key);
        changes.push_back(SetIndex{entry->control, *index});
        break;
      }
      case Form::Flag: {
        const auto flag = wholeNumber(value);
        if (!flag) return failAt(entry->key);
        changes.push_back(SetFlag{entry->control, *flag != 0});
        break;
      }
    }
  }

  if (!holdsAKey) {
    result.error = "it holds no configuration entry";
    return result;
  }

  // Every line converted: the fields take the file's values.
  QStringList touched;
  for (const Change& change : changes) {
    if (const auto* set = std::get_if<SetText>(&change)) touched.append(set->entry->control);
    if (const auto* set = std::get_if<SetIndex>(&change)) touched.append(set->control);
    if (const auto* set = std::get_if<SetFlag>(&change)) touched.append(set->control);
  }
  touched.removeDuplicates();
  const ShownValues before = shownValues(form, touched);
  CustomCurve curve = window.CustomCurve.get();
  for (const Change& change : changes) {
    std::visit(
        [&](const auto& c) {
          using C = std::decay_t<decltype(c)>;
          if constexpr (std::is_same_v<C, SetText>) {
            form.setText(c.entry->control, c.text);
            for (const char* also : c.entry->alsoSets) form.setText(also, c.text);
            if (c.entry->onLoad) c.entry->onLoad(form, c.text);
          } else if constexpr (std::is_same_v<C, SetIndex>) {
            form.setSelectedIndex(c.control, c.index);
          } else if constexpr (std::is_same_v<C, SetFlag>) {
            form.setChecked(c.control, c.checked);
          } else if constexpr (std::is_same_v<C, SetCurveCount>) {
            curve.count = c.count;
          } else {
            auto& values = c.output ? curve.output : curve.input;
            values[static_cast<std::size_t>(c.point)] = c.value;
          }
        },
        change);
  }
  window.CustomCurve.set(curve);
  result.ok = true;
  result.lines = 1 + static_cast<int>(changes.size());
  result.changedControls = changedControls(form, before);
  return result;
}

ConfigurationLoad loadConfiguration(const QString& path, FormState& form, WindowState& window) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    ConfigurationLoad result;
    result.error = file.errorString();
    return result;
  }
  return loadConfigurationText(file.readAll(), form, window);
}

ShownValues shownValues(const FormState& form, const QStringList& controls) {
  ShownValues shown;
  shown.reserve(static_cast<std::size_t>(controls.size()));
  for (const QString& control : controls) shown.emplace_back(control, form.value(control));
  return shown;
}

QStringList changedControls(const FormState& form, const ShownValues& before) {
  QStringList changed;
  for (const auto& [control, was] : before) {
    const ControlValue now = form.value(control);
    if (now.text != was.text || now.selectedIndex != was.selectedIndex || now.checked != was.checked)
      changed.append(control);
  }
  changed.removeDuplicates();
  return changed;
}

QString linesWrittenText(int lines, const QString& path) {
  return QString("%1 lines written to %2").arg(lines).arg(QFileInfo(path).fileName());
}

QString linesReadText(int lines, const QString& path) {
  return QString("%1 lines read from %2").arg(lines).arg(QFileInfo(path).fileName());
}

}  // namespace velk
