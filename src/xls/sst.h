// The workbook's shared string table: each distinct string once, with the
// number of string cells that use it. Entries live serialised in one
// growable buffer and are identified by their byte offset there, which
// stays valid for the table's life; the list holds the live entries'
// offsets in entry order (shorter entries first, then by bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/excel_string.h"
#include "xls/record_stream.h"

namespace tessary {

class TSST {
 public:
  TSST();

  // Adds one use of the text with the given runs and returns the position
  // of its entry in the list (a new entry, or an equal one found).
  uint32_t AddString(std::u16string_view s, const std::vector<TRTFRun>& runs = {});
  // Halving search for an entry equal to the one at `entryOffset`: true when
  // found; `index` is its position, or the position where it belongs.
  bool Find(uint32_t entryOffset, size_t& index) const;

  size_t Count() const { return FList.size(); }
  uint32_t EntryOffsetAt(uint32_t position) const { return FList[position]; }
  void AddRef(uint32_t entryOffset);
  void Release(uint32_t entryOffset);
  uint32_t RefCount(uint32_t entryOffset) const;
  std::u16string EntryText(uint32_t entryOffset) const;
  std::vector<TRTFRun> EntryRuns(uint32_t entryOffset) const;
  // The entry's index in the table last written.
  uint32_t EntryIndex(uint32_t entryOffset) const;
  // Stream position of the entry's first byte and its offset in its record,
  // both stamped by the last write.
  uint32_t EntryStreamPos(uint32_t entryOffset) const;
  uint16_t EntryRecordOffset(uint32_t entryOffset) const;

  // Appends the strings of an SST record: its payload, then each attached
  // CONTINUE payload in order. Fails with "Error reading record" when the
  // strings run past the payloads.
  void Load(const std::vector<std::span<const uint8_t>>& payloads);
  // Orders the list by entry order.
  void Sort();
  // Drops the entries no cell uses.
  void FixRefs();
  // Writes SST, its CONTINUE records and EXTSST, numbering the entries and
  // stamping their positions.
  void SaveToStream(TRecordStream& out);
  // Exactly the bytes SaveToStream writes.
  uint64_t TotalSize() const;
  void Clear();

 private:
  uint32_t AppendEntry(std::u16string_view s, bool wide, uint8_t options,
                       const std::vector<uint8_t>& runs, const std::vector<uint8_t>& farEast);
  uint32_t EntrySize(uint32_t entryOffset) const;
  // Lays the table out into records; writes and stamps entries when `out`
  // is given. Returns the bytes of the SST and CONTINUE records.
  uint64_t Layout(TRecordStream* out, uint8_t* stamp) const;
  bool Less(uint32_t a, uint32_t b) const;
  int Compare(uint32_t a, uint32_t b) const;

  std::vector<uint8_t> FMem;  // MemSST; its size is the used size
  std::vector<uint32_t> FList;
};

}  // namespace tessary
