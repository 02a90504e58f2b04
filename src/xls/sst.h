// The workbook's shared string table: each distinct string once, with the
// number of string cells that use it. Entries live serialised in one
// growable buffer and are identified by their byte offset there, which
// stays valid for the table's life; the list holds the live entries'
// offsets in entry order (shorter entries first, then by bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "xls/excel_string.h"
#include "xls/record_stream.h"
#include "xls/sst_records.h"

namespace tessary {

class TSST {
 public:
  TSST();

  // Adds one use of the text with the given runs and returns the offset of
  // its entry (a new entry at the end of the list, or an equal one found).
  // The list is then no longer sorted.
  uint32_t AddEntry(std::u16string_view s, const std::vector<TRTFRun>& runs = {});
  // AddEntry, then the list sorted; returns the entry's position.
  uint32_t AddString(std::u16string_view s, const std::vector<TRTFRun>& runs = {});
  // Halving search of the sorted list for an entry equal to the one at
  // `entryOffset`: true when found; `index` is its position, or the
  // position where it belongs.
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
  // CONTINUE payload in order, in file order. Fails with "Error reading
  // record" when the strings run past the payloads.
  void Load(const std::vector<std::span<const uint8_t>>& payloads);
  // Orders the list by entry order (equal entries keep their order).
  void Sort();
  // Drops the entries no cell uses and sorts the list.
  void FixRefs();
  // Sorts the list, then writes SST, its CONTINUE records and EXTSST,
  // numbering the entries and stamping their positions.
  void SaveToStream(TRecordStream& out);
  // The bytes SaveToStream writes.
  uint64_t TotalSize();
  // The bytes of entries hashed so far, to find equal ones: what adding the
  // strings of many cells cost.
  uint64_t BytesHashed() const { return FBytesHashed; }
  void Clear();

 private:
  uint32_t AppendEntry(std::u16string_view s, bool wide, uint8_t options,
                       const std::vector<uint8_t>& runs, const std::vector<uint8_t>& farEast);
  uint32_t EntrySize(uint32_t entryOffset) const;
  TSSTString StringAt(uint32_t entryOffset) const;
  // Writes the table; stamps the entries when `stamp` is given.
  void Write(TRecordStream& out, uint8_t* stamp) const;
  bool Less(uint32_t a, uint32_t b) const;
  int Compare(uint32_t a, uint32_t b) const;
  uint64_t Hash(uint32_t entryOffset);
  // The entry equal to the one at `entryOffset` among those hashed, or
  // none; with `add`, the entry is hashed when there is none.
  std::optional<uint32_t> FindEqual(uint32_t entryOffset, bool add);
  void Rehash();

  std::vector<uint8_t> FMem;  // MemSST; its size is the used size
  std::vector<uint32_t> FList;
  bool FSorted = true;
  // Open addressing: entry offset + 1 in each used slot (0 in a free one)
  // and the high half of the entry's hash, which most probes compare alone.
  struct TSlot {
    uint32_t Entry = 0;
    uint32_t Tag = 0;
  };
  std::vector<TSlot> FSlots;
  size_t FHashed = 0;
  uint64_t FBytesHashed = 0;
};

}  // namespace tessary
