#pragma once
// The MAP page without widgets: the selection of up to 14 variables of the
// device software (rows of kMapSelection, columns as MapColumn), read from
// the device into the grid and "map_readout.txt", a value written, and the
// selection saved to and loaded from "selection.txt". Reading and writing
// first put the selection's addresses into table 1 of the debug interface:
// variable i is entry i. Both files are in the folder the program runs in;
// kMapFileLabel shows the full path of the one last used.

#include <QString>
#include <vector>

#include "comm/job_context.h"
#include "service/map_file.h"

namespace velk {

class FormState;
struct WindowState;

inline constexpr const char* kMapSelection = "MapSelection";
inline constexpr const char* kMapFileLabel = "LabelMapFile";
inline constexpr const char* kMapReadoutFileName = "map_readout.txt";
inline constexpr const char* kSelectionFileName = "selection.txt";

void applyMapDefaults(FormState& form, WindowState& window);

std::vector<MapVariable> mapSelection(const FormState& form);
// Adds a symbol at the end of the selection; false, with `error`, when the
// selection is full or the symbol cannot be reached.
bool addMapVariable(FormState& form, const MapSymbol& symbol, QString& error);
void removeMapVariable(FormState& form, int row);
// Shows the row's value as `type`, from the bytes last read.
void setMapType(FormState& form, int row, const QString& type, char decimalSeparator);

// Reads every selected variable (its first 28 bytes); a variable that
// cannot be read shows no value. Writes "map_readout.txt" in `folder`.
void readMapSelection(const JobContext& job, const QString& folder);
// Writes `text` as the value of the variable in `row` and reads it back.
void writeMapVariable(const JobContext& job, int row, const QString& text);

// "selection.txt" in `folder`. False, with `message` saying why, when the
// file cannot be written or read; else `message` tells what was done.
bool saveMapSelection(FormState& form, const QString& folder, QString& message);
bool loadMapSelection(FormState& form, const QString& folder, const MapFile* map, QString& message);

}  // namespace velk
