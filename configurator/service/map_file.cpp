#include "service/map_file.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <map>

#include "comm/device_memory.h"
#include "model/number_text.h"

namespace velk {

namespace {

constexpr const char* kLinkerMapHeading = "Linker script and memory map";

std::optional<std::uint64_t> hexNumber(QString text) {
  if (text.startsWith("0x", Qt::CaseInsensitive)) text = text.mid(2);
  bool ok = false;
  const qulonglong value = text.toULongLong(&ok, 16);
  return ok && !text.isEmpty() ? std::optional<std::uint64_t>(value) : std::nullopt;
}

std::optional<std::uint64_t> sizeNumber(const QString& text) {
  if (text.startsWith("0x", Qt::CaseInsensitive)) return hexNumber(text);
  bool ok = false;
  const qulonglong value = text.toULongLong(&ok, 10);
  return ok ? std::optional<std::uint64_t>(value) : std::nullopt;
}

bool isPrefixedHex(const QString& text) { return text.startsWith("0x") && hexNumber(text).has_value(); }

struct InputSection {
  QString output;
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  std::vector<std::pair<std::uint64_t, QString>> symbols;
};

// Sizes from the distance to the next symbol, or to the section's end.
void addSymbols(const InputSection& section, std::vector<MapSymbol>& symbols) {
  auto sorted = section.symbols;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    std::uint64_t next = section.end;
    for (std::size_t j = i + 1; j < sorted.size(); ++j)
      if (sorted[j].first > sorted[i].first) {
        next = sorted[j].first;
        break;
      }
    symbols.push_back({sorted[i].second, sorted[i].first, next - sorted[i].first, section.output});
  }
}

MapFile parseLinkerMap(const QStringList& lines, qsizetype first) {
  static const QRegularExpression blanks("\\s+");
  MapFile map;
  map.linkerMap = true;
  QString output;
  std::optional<InputSection> section;
  QString pendingName;  // a section name too long for its column: its numbers follow on the next line
  auto close = [&] {
    if (section) addSymbols(*section, map.symbols);
    section.reset();
  };
  auto open = [&](const QStringList& numbers) {
    close();
    const auto start = hexNumber(numbers[0]);
    const auto size = hexNumber(numbers[1]);
    if (start && size) section = InputSection{output, *start, *start + *size, {}};
  };

  for (qsizetype i = first; i < lines.size(); ++i) {
    const QString& line = lines[i];
    const QStringList words = line.split(blanks, Qt::SkipEmptyParts);
    if (words.isEmpty()) continue;
    if (!line.front().isSpace()) {
      // An output section (".data  0x... 0x..."), or LOAD, OUTPUT and the like.
      close();
      pendingName.clear();
      output = words[0].startsWith('.') ? words[0] : QString();
      continue;
    }
    const bool inputColumn = line.size() > 1 && !line[1].isSpace();
    if (inputColumn) {
      pendingName.clear();
      if (words[0].startsWith('*')) continue;  // patterns and fill
      if (words.size() >= 3 && isPrefixedHex(words[1]) && isPrefixedHex(words[2]))
        open(words.mid(1, 2));
      else if (words.size() == 1)
        pendingName = words[0];
      continue;
    }
    if (!pendingName.isEmpty() && words.size() >= 2 && isPrefixedHex(words[0]) && isPrefixedHex(words[1])) {
      if (!output.isEmpty()) open(words.mid(0, 2));
      pendingName.clear();
      continue;
    }
    pendingName.clear();
    // A symbol: its address and name; assignments ("_sdata = .") are no symbol.
    if (!section || !isPrefixedHex(words[0]) || words.size() < 2 || words.contains("=") ||
        words[1].startsWith("PROVIDE") || words[1].startsWith("ASSERT"))
      continue;
    const std::uint64_t address = *hexNumber(words[0]);
    if (address < section->start || address >= section->end) continue;
    section->symbols.push_back({address, QStringList(words.mid(1)).join(' ')});
  }
  close();
  return map;
}

MapFile parsePlainList(const QStringList& lines) {
  static const QRegularExpression blanks("\\s+");
  MapFile map;
  for (const QString& line : lines) {
    const QString trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith('#')) continue;
    const QStringList words = trimmed.split(blanks, Qt::SkipEmptyParts);
    const auto address = words.size() >= 3 ? hexNumber(words[0]) : std::nullopt;
    const auto size = words.size() >= 3 ? sizeNumber(words[1]) : std::nullopt;
    if (!address || !size) {
      ++map.skippedLines;
      continue;
    }
    map.symbols.push_back({words[2], *address, *size, QString()});
  }
  return map;
}

std::uint64_t littleEndian(const std::vector<std::uint8_t>& bytes) {
  return static_cast<std::uint64_t>(memoryElement(bytes.data(), static_cast<int>(bytes.size()), false));
}

}  // namespace

MapFile parseMapText(const QString& text) {
  const QStringList lines = text.split('\n');
  for (qsizetype i = 0; i < lines.size(); ++i)
    if (lines[i].startsWith(kLinkerMapHeading)) return parseLinkerMap(lines, i + 1);
  return parsePlainList(lines);
}

std::optional<MapFile> loadMapFile(const QString& path, QString& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
    error = QString("%1 could not be read: %2").arg(path, file.errorString());
    return std::nullopt;
  }
  MapFile map = parseMapText(QString::fromLocal8Bit(file.readAll()));
  if (map.symbols.empty()) {
    error = QString("%1 holds no symbol: neither a linker map nor lines \"address size name\"").arg(path);
    return std::nullopt;
  }
  return map;
}

QString defaultMapType(std::uint64_t size) {
  if (size == 1) return "unsigned";
  if (size == 2 || size == 4 || size == 8) return "signed";
  return "hex";
}

std::optional<MapVariable> mapVariable(const MapSymbol& symbol, QString& error) {
  if (symbol.address > std::numeric_limits<std::uint32_t>::max()) {
    error = QString("%1 lies beyond the 32-bit addresses the device can reach").arg(symbol.name);
    return std::nullopt;
  }
  if (symbol.size == 0) {
    error = QString("%1 has no size").arg(symbol.name);
    return std::nullopt;
  }
  const int size = static_cast<int>(std::min<std::uint64_t>(symbol.size, std::numeric_limits<int>::max()));
  return MapVariable{symbol.name, static_cast<std::uint32_t>(symbol.address), size,
                     defaultMapType(symbol.size)};
}

QString addressText(std::uint32_t address) { return QString("0x%1").arg(address, 8, 16, QChar('0')); }

QStringList selectionRow(const MapVariable& variable) {
  QStringList row(kMapColumns);
  row[kMapName] = variable.name;
  row[kMapAddress] = addressText(variable.address);
  row[kMapSize] = QString::number(variable.size);
  row[kMapType] = variable.type;
  return row;
}

std::optional<MapVariable> variableOfRow(const QStringList& row) {
  if (row.size() <= kMapType || row[kMapName].isEmpty()) return std::nullopt;
  const auto address = hexNumber(row[kMapAddress]);
  bool sized = false;
  const int size = row[kMapSize].toInt(&sized);
  if (!address || *address > std::numeric_limits<std::uint32_t>::max() || !sized || size < 1 ||
      !kMapTypes.contains(row[kMapType]))
    return std::nullopt;
  return MapVariable{row[kMapName], static_cast<std::uint32_t>(*address), size, row[kMapType]};
}

QString bytesText(const std::vector<std::uint8_t>& bytes) {
  QStringList texts;
  for (const std::uint8_t byte : bytes) texts.append(QString("%1").arg(byte, 2, 16, QChar('0')).toUpper());
  return texts.join(' ');
}

QString formatMapValue(const std::vector<std::uint8_t>& bytes, const QString& type, char decimalSeparator) {
  const int size = static_cast<int>(bytes.size());
  if (size == 0) return {};
  if (size <= 8 && type == "unsigned") return QString::number(littleEndian(bytes));
  if (size <= 8 && type == "signed")
    return QString::number(static_cast<qlonglong>(memoryElement(bytes.data(), size, true)));
  if (type == "float" && size == 4)
    return QString::fromStdString(formatGeneral(
        std::bit_cast<float>(static_cast<std::uint32_t>(littleEndian(bytes))), 7, decimalSeparator));
  if (type == "float" && size == 8)
    return QString::fromStdString(
        formatGeneral(std::bit_cast<double>(littleEndian(bytes)), 15, decimalSeparator));
  QString digits;
  for (auto byte = bytes.rbegin(); byte != bytes.rend(); ++byte)
    digits += QString("%1").arg(*byte, 2, 16, QChar('0')).toUpper();
  return "0x" + digits;
}

std::optional<std::vector<std::uint8_t>> encodeMapValue(const QString& text, const QString& type, int size,
                                                        char decimalSeparator, QString& error) {
  if (size < 1 || size > kMapWriteMaxBytes) {
    error = QString("Only variables of 1 to %1 bytes can be written").arg(kMapWriteMaxBytes);
    return std::nullopt;
  }
  const QString typed = text.trimmed();
  const int bits = 8 * size;
  std::uint64_t pattern = 0;
  bool valid = false;
  if (type == "float") {
    if (size == 4) {
      const auto value = parseSingle(typed.toStdString(), decimalSeparator);
      valid = value.has_value();
      if (valid) pattern = std::bit_cast<std::uint32_t>(*value);
    } else if (size == 8) {
      const auto value = parseDecimal(typed.toStdString(), decimalSeparator);
      valid = value.has_value();
      if (valid) pattern = std::bit_cast<std::uint64_t>(*value);
    } else {
      error = "A float is 4 or 8 bytes";
      return std::nullopt;
    }
  } else if (type == "signed") {
    bool ok = false;
    const qlonglong value = typed.toLongLong(&ok, 10);
    const qlonglong lowest =
        bits == 64 ? std::numeric_limits<qlonglong>::min() : -(qlonglong{1} << (bits - 1));
    const qlonglong highest =
        bits == 64 ? std::numeric_limits<qlonglong>::max() : (qlonglong{1} << (bits - 1)) - 1;
    valid = ok && value >= lowest && value <= highest;
    pattern = static_cast<std::uint64_t>(value);
  } else {
    bool ok = false;
    const auto value =
        type == "hex" ? hexNumber(typed) : std::optional<std::uint64_t>(typed.toULongLong(&ok, 10));
    valid = value && (type == "hex" || ok) && (bits == 64 || *value < (std::uint64_t{1} << bits));
    if (valid) pattern = *value;
  }
  if (!valid) {
    error = QString("\"%1\" is no %2 value of %3 bytes").arg(text, type).arg(size);
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  for (int i = 0; i < size; ++i)
    bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(pattern >> (8 * i));
  return bytes;
}

QString selectionText(const std::vector<MapVariable>& variables) {
  QString text;
  for (const MapVariable& variable : variables)
    text += QString("%1 %2 %3 %4\n")
                .arg(variable.name, addressText(variable.address))
                .arg(variable.size)
                .arg(variable.type);
  return text;
}

std::vector<MapVariable> parseSelectionText(const QString& text, const MapFile* map, int& skipped) {
  static const QRegularExpression blanks("\\s+");
  std::map<QString, const MapSymbol*> known;
  if (map)
    for (const MapSymbol& symbol : map->symbols) known.emplace(symbol.name, &symbol);
  std::vector<MapVariable> variables;
  skipped = 0;
  for (const QString& line : text.split('\n')) {
    const QStringList words = line.trimmed().split(blanks, Qt::SkipEmptyParts);
    if (words.isEmpty() || words[0].startsWith('#')) continue;
    auto variable = words.size() == 4 ? variableOfRow(words) : std::nullopt;
    if (!variable || static_cast<int>(variables.size()) == kMapSelectionMax) {
      ++skipped;
      continue;
    }
    if (const auto symbol = known.find(variable->name); symbol != known.end()) {
      QString unused;
      if (const auto fresh = mapVariable(*symbol->second, unused)) {
        variable->address = fresh->address;
        variable->size = fresh->size;
      }
    }
    variables.push_back(*variable);
  }
  return variables;
}

}  // namespace velk
