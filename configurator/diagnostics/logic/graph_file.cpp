#include "diagnostics/logic/graph_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <istream>
#include <limits>
#include <ostream>
#include <sstream>

#include "model/file_replacement.h"

namespace velk {
namespace {

// The stream's default float notation is printf's "%g" with 6 digits; to_chars
// writes the same without consulting any locale.
constexpr int kStreamDefaultPrecision = 6;

void appendNumber(std::string& line, float value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                              std::chars_format::general, kStreamDefaultPrecision);
  line.append(buffer, result.ptr);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// One "%f" conversion: blanks, an optional sign, a decimal or exponent number
// (or inf / nan). Numbers beyond the double range are not read.
std::optional<float> readNumber(std::string_view text, std::size_t& pos) {
  while (pos < text.size() && isBlank(text[pos])) ++pos;
  const char* first = text.data() + pos;
  const char* last = text.data() + text.size();
  const bool plus = first != last && *first == '+';
  if (plus) {
    ++first;
    if (first != last && *first == '-') return std::nullopt;
  }
  double value = 0;
  auto result = std::from_chars(first, last, value);
  if (result.ec != std::errc()) return std::nullopt;
  pos = static_cast<std::size_t>(result.ptr - text.data());
  // Beyond the single range a float becomes infinite, as "%f" makes it.
  if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max()) {
    return value > 0 ? std::numeric_limits<float>::infinity() : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(value);
}

}  // namespace

std::string graphFileLine(const GraphSample& sample) {
  std::string line;
  appendNumber(line, sample.setpoint);
  line += ' ';
  appendNumber(line, sample.position);
  line += '\n';
  return line;
}

GraphFileWriteResult writeGraphFile(std::ostream& out, const std::vector<GraphSample>& samples) {
  GraphFileWriteResult result;
  for (const auto& sample : samples) {
    const std::string line = graphFileLine(sample);
    if (!out.write(line.data(), static_cast<std::streamsize>(line.size()))) return result;
    ++result.linesWritten;
  }
  result.complete = static_cast<bool>(out.flush());
  return result;
}

std::optional<GraphSample> parseGraphFileLine(std::string_view line) {
  std::size_t pos = 0;
  auto setpoint = readNumber(line, pos);
  if (!setpoint) return std::nullopt;
  auto position = readNumber(line, pos);
  if (!position) return std::nullopt;
  return GraphSample{*setpoint, *position};
}

std::vector<GraphSample> readGraphFile(std::istream& in, int maxPoints) {
  maxPoints = std::clamp(maxPoints, 0, kComparisonSetSize);
  std::vector<GraphSample> points;
  // Room for the longest line, a carriage return and the terminator: a
  // longer line fills the buffer and stops the load without being read whole.
  char buffer[kGraphFileMaxLineLength + 2 + 1];
  while (static_cast<int>(points.size()) < maxPoints) {
    in.getline(buffer, sizeof buffer);
    if (in.fail()) break;  // end of file, read error, or a line too long for the buffer
    std::string_view line(buffer, std::strlen(buffer));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() > static_cast<std::size_t>(kGraphFileMaxLineLength) || line.size() < 3) break;
    auto sample = parseGraphFileLine(line);
    if (!sample) break;
    points.push_back(*sample);
  }
  return points;
}

GraphFileWriteResult saveGraphFile(const std::string& path, const std::vector<GraphSample>& samples) {
  // Built whole first: a file that cannot be written leaves the earlier one as it was.
  std::ostringstream text;
  GraphFileWriteResult result = writeGraphFile(text, samples);
  const std::string bytes = std::move(text).str();
  const QString reason = replaceFile(QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size())),
                                     QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!reason.isEmpty()) {
    result.complete = false;
    result.reason = reason.toStdString();
  }
  return result;
}

std::vector<GraphSample> loadGraphFile(const std::string& path, int maxPoints) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return readGraphFile(in, maxPoints);
}

std::string withTxtExtension(std::string name, bool textFilterChosen) {
  if (textFilterChosen && name.find(".txt") == std::string::npos) name += ".txt";
  return name;
}

bool namesAFile(std::string_view path) { return !path.empty() && path.back() != '/'; }

std::string graphSaveStatusText(const GraphFileWriteResult& result, std::string_view fileName) {
  if (!result.complete)
    return "Could not write the graph file " + std::string(fileName) +
           (result.reason.empty() ? "" : ": " + result.reason);
  return std::to_string(result.linesWritten) + " points of data saved";
}

std::string graphLoadStatusText(int points, int setIndex) {
  return std::to_string(points) + " points of data loaded into set " + std::to_string(setIndex);
}

}  // namespace velk
