// Game data tables (G2DA) in a GFF container, read into the cell table and
// written back from it. Row 0 of the cell table holds the column names,
// row 1 the column type names, rows 2 onward the values.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "gff/gff_container.h"

namespace tessary {

class TCellTable;

constexpr char16_t kUnknownTypeText[] = u"*GDA FILE ERROR: UNKNOWN TYPE*";
constexpr char16_t kCorruptedDataText[] = u"*GDA FILE ERROR: CORRUPTED DATA*";

// Reads a table file into the cell table. False after a container failure
// (one error box shown) or, silently, for a container that is not a table;
// the cell table is then unchanged.
bool LoadGDA(TCellTable& grid, const std::filesystem::path& filename);
// What a load did, counted: the code units examined while finding where
// strings end, and the bytes of string-area text decoded into the cell
// table's store (each string once however many cells show it; a text of up
// to 3 code units lives inside its cell and is not counted).
struct TGDALoadCounts {
  uint64_t UnitsScanned = 0;
  uint64_t TextBytesHeld = 0;
};

// The same on a container already loaded. Each string's end is found once,
// and the decoded text stays below twice the data area's size plus 64 MiB:
// reading stops before the column that would pass that.
bool LoadGDAFromContainer(TCellTable& grid, const TMemoryGFF& gff,
                          TGDALoadCounts* counts = nullptr);

// The text of one stored value of row element `index`.
std::u16string ValueToText(const TMemoryGFF& gff, const TListData& rows, uint32_t index,
                           uint32_t offset, uint16_t typeId);

// "string", "int", "float", "bool", "resource", else "*ERROR: UNKNOWN TYPE*".
std::u16string ColumnTypeName(uint8_t code);

// What a save did with the texts of string columns, counted: the texts
// whose code units were hashed and those units, and the texts compared in
// full with a text of the same hash and those units. A text that several
// cells share is hashed once, however many cells show it.
struct TGDASaveCounts {
  uint64_t TextsHashed = 0;
  uint64_t UnitsHashed = 0;
  uint64_t TextsCompared = 0;
  uint64_t UnitsCompared = 0;
};

// The bytes of the table file the cell table is saved as; nothing when the
// file would be larger than its 32-bit positions allow.
std::optional<std::vector<uint8_t>> BuildGDA(const TCellTable& grid,
                                             TGDASaveCounts* counts = nullptr);

// Writes the table file beside `filename` and puts it in its place when
// complete. False after "File cannot be written." (the old file is then
// untouched), also for a table too large for the format's 32-bit
// positions and when another save of the file holds it (TWriteLock) for
// longer than the wait; where the system gave a reason, a second line says it after
// the path. Throws Error with that same text when the file cannot be
// created at all.
bool SaveGDA(const TCellTable& grid, const std::filesystem::path& filename);

}  // namespace tessary
