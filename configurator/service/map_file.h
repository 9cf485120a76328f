#pragma once
// What the MAP page knows of the device software: the symbols of its linker
// map file, the variables the technician selected from them, and their
// values as bytes of the device's memory (least significant byte first).
// Pure rules on texts, no device and no widgets.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

namespace velk {

struct MapSymbol {
  QString name;
  std::uint64_t address = 0;
  std::uint64_t size = 0;
  QString section;  // the output section (".bss"); empty in a plain list
  bool operator==(const MapSymbol&) const = default;
};

struct MapFile {
  std::vector<MapSymbol> symbols;  // in the file's order
  bool linkerMap = false;          // a linker's map, else a plain list
  int skippedLines = 0;            // lines of a plain list that were no symbol
};

// Reads either form. A linker's map (it has "Linker script and memory map")
// gives the symbols its input sections hold, each as long as the distance
// to the next symbol or the section's end; assignments and discarded
// sections are left out. Any other text is a plain list: lines "address
// size name", the address in hex (0x optional), the size in decimal or 0x
// hex; "#" starts a comment line.
MapFile parseMapText(const QString& text);

// The map file at `path`; nothing, with `error` saying why, when it cannot
// be read or holds no symbol.
std::optional<MapFile> loadMapFile(const QString& path, QString& error);

// How a selected variable's bytes are shown and typed.
inline const QStringList kMapTypes = {"unsigned", "signed", "float", "hex"};
QString defaultMapType(std::uint64_t size);

// Table 1 holds an address for each selected variable.
inline constexpr int kMapSelectionMax = 14;
inline constexpr int kMapReadMaxBytes = 28;  // of one command 252
inline constexpr int kMapWriteMaxBytes = 8;

struct MapVariable {
  QString name;
  std::uint32_t address = 0;
  int size = 0;
  QString type;
  bool operator==(const MapVariable&) const = default;
};

// A variable of a symbol, unless the symbol cannot be reached through
// table 1 (an address beyond 32 bits, or no size); then `error` says why.
std::optional<MapVariable> mapVariable(const MapSymbol& symbol, QString& error);

// The selection grid's columns.
enum MapColumn { kMapName, kMapAddress, kMapSize, kMapType, kMapValue, kMapBytes, kMapColumns };
QStringList selectionRow(const MapVariable& variable);
std::optional<MapVariable> variableOfRow(const QStringList& row);
QString addressText(std::uint32_t address);

// The value of the bytes read (the first 28 of a longer variable) as the
// type shows it: numbers for 1 to 8 bytes, a float of 4 or 8 bytes; "hex"
// and anything else as a hex number, most significant digit first.
QString formatMapValue(const std::vector<std::uint8_t>& bytes, const QString& type, char decimalSeparator);
// The bytes in memory order, as "2A 00 00 00".
QString bytesText(const std::vector<std::uint8_t>& bytes);

// The bytes a typed value gives for a variable of `size` (at most 8)
// bytes; nothing, with `error`, when it is no value of the type or does
// not fit.
std::optional<std::vector<std::uint8_t>> encodeMapValue(const QString& text, const QString& type, int size,
                                                        char decimalSeparator, QString& error);

// "selection.txt": one line per variable, "name address size type".
QString selectionText(const std::vector<MapVariable>& variables);
// The variables of a selection file, at most 14; a variable the loaded map
// (if any) knows takes the map's address and size, so a selection survives
// a new build of the device software. Lines that are no variable are
// counted in `skipped`.
std::vector<MapVariable> parseSelectionText(const QString& text, const MapFile* map, int& skipped);

}  // namespace velk
