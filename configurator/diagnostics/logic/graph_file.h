// The graph text file, which the comparison sets are loaded from.
//
// One line per sample: the setpoint, a blank, the position, a line feed.
// Numbers are written as the C++ stream writes a float by default (up to 6
// significant digits, exponent form for very large or small values) and
// always with a '.', whatever the user's locale, so files move between
// machines.
#pragma once

#include <array>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/graph_sample_ring.h"

namespace velk {

inline constexpr int kGraphFilePointLimit = 169;    // points the live graph shows
inline constexpr int kGraphFileMaxLineLength = 99;  // longer lines end a load
// One line of the file, "12.5 12.25\n".
std::string graphFileLine(const GraphSample& sample);

struct GraphFileWriteResult {
  int linesWritten = 0;
  bool complete = false;  // every line reached the stream and the stream reported no error
  std::string reason;     // why a file was not written, when the system said
};

// Writes the samples, oldest first, and flushes the stream.
GraphFileWriteResult writeGraphFile(std::ostream& out, const std::vector<GraphSample>& samples);

// Reads points until the end of the stream, a line longer than 99
// characters, a line shorter than 3 characters, a line that does not start
// with two numbers (anything after them is ignored), or `maxPoints` points.
// A carriage return ending a line is not counted.
std::vector<GraphSample> readGraphFile(std::istream& in, int maxPoints = kGraphFilePointLimit);

// The two numbers at the start of a line, as "%f %f" reads them.
std::optional<GraphSample> parseGraphFileLine(std::string_view line);

// The same on a named file. Saving creates the file (an empty one for no
// samples) and reports it incomplete when it cannot be written whole; an
// existing file is then left as it was. A file that cannot be opened loads
// no points.
GraphFileWriteResult saveGraphFile(const std::string& path, const std::vector<GraphSample>& samples);
std::vector<GraphSample> loadGraphFile(const std::string& path, int maxPoints = kGraphFilePointLimit);

// The file dialogs' rule: with the "Text files" filter chosen and no ".txt"
// anywhere in the name, ".txt" is appended.
std::string withTxtExtension(std::string name, bool textFilterChosen);

// True when the path names a file: not empty and more than its folder part.
bool namesAFile(std::string_view path);

// Status bar after saving: "169 points of data saved", or, when the file
// could not be written, a message that says so, naming the file and why.
std::string graphSaveStatusText(const GraphFileWriteResult& result, std::string_view fileName);

// Status bar after loading into set 0 ("Loaded set 1") or 1 ("Loaded set 2"):
// "169 points of data loaded into set 1" for "Loaded set 2". The number is the
// set's index (0 or 1), which is how this message has always read.
std::string graphLoadStatusText(int points, int setIndex);

}  // namespace velk
