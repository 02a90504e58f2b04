#include "xls/sst.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/bytes.h"
#include "common/error.h"
#include "xls/record_ids.h"

namespace tessary {

namespace {

// Entry layout in the buffer. The reference count is 32 bits wide, so a
// string used by more than 65535 cells keeps a true count.
constexpr uint32_t kOfsRefCount = 0;    // 32
constexpr uint32_t kOfsStreamPos = 4;   // 32, stamped when written
constexpr uint32_t kOfsRecordOfs = 8;   // 16, stamped when written
constexpr uint32_t kOfsIndex = 10;      // 32, stamped when written
constexpr uint32_t kOfsCharCount = 14;  // 16; entries compare from here on
constexpr uint32_t kOfsOptions = 16;    // 8
constexpr uint32_t kEntryHeader = 17;

constexpr size_t kInitialBuffer = 64 * 1024;
constexpr size_t kInitialSlots = 1024;

[[noreturn]] void ReadFailure() { throw Error("Error reading record"); }

// The fields of an entry after its header.
struct TEntryView {
  uint16_t Count;
  uint8_t Options;
  uint16_t Runs;
  uint32_t FarEast;
  uint32_t Chars;  // offset of the characters
  bool Wide() const { return (Options & xlstr::kWide) != 0; }
  uint32_t CharBytes() const { return Count * (Wide() ? 2u : 1u); }
};

TEntryView View(const uint8_t* mem, uint32_t offset) {
  TEntryView v{};
  v.Count = GetU16(mem + offset + kOfsCharCount);
  v.Options = mem[offset + kOfsOptions];
  uint32_t p = offset + kEntryHeader;
  if (v.Options & xlstr::kRichText) {
    v.Runs = GetU16(mem + p);
    p += 2;
  }
  if (v.Options & xlstr::kFarEast) {
    v.FarEast = GetU32(mem + p);
    p += 4;
  }
  v.Chars = p;
  return v;
}

// Reads the strings of an SST across its payloads: plain fields simply go on
// in the next payload, characters go on after a new option byte.
class TPayloadReader {
 public:
  explicit TPayloadReader(const std::vector<std::span<const uint8_t>>& payloads)
      : FPayloads(payloads) {
    for (const auto& p : payloads) FLeft += p.size();
  }

  void Read(uint8_t* dst, uint64_t n) {
    if (n > FLeft) ReadFailure();
    while (n > 0) {
      SkipExhausted();
      const size_t take = std::min<uint64_t>(n, Available());
      std::memcpy(dst, FPayloads[FSeg].data() + FPos, take);
      Advance(take);
      dst += take;
      n -= take;
    }
  }
  uint8_t U8() {
    uint8_t b;
    Read(&b, 1);
    return b;
  }
  uint16_t U16() {
    uint8_t b[2];
    Read(b, 2);
    return GetU16(b);
  }
  uint32_t U32() {
    uint8_t b[4];
    Read(b, 4);
    return GetU32(b);
  }
  // Appends `count` characters to `text`; `wide` is the current width and
  // becomes the width of the last segment; `anyWide` is set by any 16-bit
  // segment.
  void Chars(uint32_t count, bool& wide, bool& anyWide, std::u16string& text) {
    while (count > 0) {
      if (Available() == 0) {
        // The characters go on in the next payload, after an option byte.
        Next();
        wide = (U8() & xlstr::kWide) != 0;
        anyWide = anyWide || wide;
        continue;
      }
      const uint32_t width = wide ? 2 : 1;
      const uint32_t fit = static_cast<uint32_t>(std::min<uint64_t>(count, Available() / width));
      if (fit == 0) ReadFailure();  // a character split between records
      const uint8_t* p = FPayloads[FSeg].data() + FPos;
      for (uint32_t i = 0; i < fit; ++i) {
        text.push_back(wide ? static_cast<char16_t>(GetU16(p + 2 * i)) : p[i]);
      }
      Advance(static_cast<uint64_t>(fit) * width);
      count -= fit;
    }
  }
  uint64_t Left() const { return FLeft; }

 private:
  size_t Available() const { return FSeg < FPayloads.size() ? FPayloads[FSeg].size() - FPos : 0; }
  void SkipExhausted() {
    while (FSeg < FPayloads.size() && FPos == FPayloads[FSeg].size()) Next();
  }
  void Next() {
    if (FSeg + 1 >= FPayloads.size()) ReadFailure();
    ++FSeg;
    FPos = 0;
  }
  void Advance(uint64_t n) {
    FPos += n;
    FLeft -= n;
  }

  const std::vector<std::span<const uint8_t>>& FPayloads;
  size_t FSeg = 0;
  size_t FPos = 0;
  uint64_t FLeft = 0;
};

}  // namespace

TSST::TSST() { FMem.reserve(kInitialBuffer); }

void TSST::Clear() {
  FMem.clear();
  FList.clear();
  FSorted = true;
  FSlots.clear();
  FHashed = 0;
}

uint32_t TSST::AppendEntry(std::u16string_view s, bool wide, uint8_t options,
                           const std::vector<uint8_t>& runs, const std::vector<uint8_t>& farEast) {
  if (s.size() > 0xFFFF || runs.size() / 4 > 0xFFFF) throw Error("Invalid String record");
  uint64_t size = kEntryHeader + s.size() * (wide ? 2 : 1) + runs.size() + farEast.size();
  if (options & xlstr::kRichText) size += 2;
  if (options & xlstr::kFarEast) size += 4;
  if (FMem.size() + size > std::numeric_limits<uint32_t>::max()) ReadFailure();
  const uint32_t offset = static_cast<uint32_t>(FMem.size());
  FMem.resize(offset + size);  // grows geometrically
  uint8_t* p = FMem.data() + offset;
  std::memset(p, 0, kEntryHeader);
  PutU16(p + kOfsCharCount, static_cast<uint16_t>(s.size()));
  p[kOfsOptions] = static_cast<uint8_t>(wide ? options | xlstr::kWide : options & ~xlstr::kWide);
  p += kEntryHeader;
  if (options & xlstr::kRichText) {
    PutU16(p, static_cast<uint16_t>(runs.size() / 4));
    p += 2;
  }
  if (options & xlstr::kFarEast) {
    PutU32(p, static_cast<uint32_t>(farEast.size()));
    p += 4;
  }
  for (char16_t c : s) {
    if (wide) {
      PutU16(p, c);
      p += 2;
    } else {
      *p++ = static_cast<uint8_t>(c);
    }
  }
  if (!runs.empty()) std::memcpy(p, runs.data(), runs.size());
  p += runs.size();
  if (!farEast.empty()) std::memcpy(p, farEast.data(), farEast.size());
  return offset;
}

uint32_t TSST::EntrySize(uint32_t offset) const {
  const TEntryView v = View(FMem.data(), offset);
  return v.Chars - offset + v.CharBytes() + 4u * v.Runs + v.FarEast;
}

int TSST::Compare(uint32_t a, uint32_t b) const {
  const uint32_t sizeA = EntrySize(a);
  const uint32_t sizeB = EntrySize(b);
  if (sizeA != sizeB) return sizeA < sizeB ? -1 : 1;
  return std::memcmp(FMem.data() + a + kOfsCharCount, FMem.data() + b + kOfsCharCount,
                     sizeA - kOfsCharCount);
}

bool TSST::Less(uint32_t a, uint32_t b) const { return Compare(a, b) < 0; }

bool TSST::Find(uint32_t entryOffset, size_t& index) const {
  size_t low = 0;
  size_t high = FList.size();
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    const int c = Compare(FList[mid], entryOffset);
    if (c == 0) {
      index = mid;
      return true;
    }
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  index = low;
  return false;
}

// FNV-1a over the bytes by which entries compare.
uint64_t TSST::Hash(uint32_t entryOffset) {
  const uint8_t* p = FMem.data() + entryOffset + kOfsCharCount;
  const uint8_t* end = FMem.data() + entryOffset + EntrySize(entryOffset);
  uint64_t h = 14695981039346656037ull;
  FBytesHashed += static_cast<uint64_t>(end - p);
  for (; p != end; ++p) h = (h ^ *p) * 1099511628211ull;
  return h;
}

std::optional<uint32_t> TSST::FindEqual(uint32_t entryOffset, bool add) {
  if (FSlots.empty()) FSlots.resize(kInitialSlots);
  const uint64_t hash = Hash(entryOffset);
  const auto tag = static_cast<uint32_t>(hash >> 32);
  const size_t mask = FSlots.size() - 1;
  size_t i = hash & mask;
  for (; FSlots[i].Entry != 0; i = (i + 1) & mask) {
    const uint32_t candidate = FSlots[i].Entry - 1;
    if (FSlots[i].Tag == tag && Compare(candidate, entryOffset) == 0) return candidate;
  }
  if (add) {
    FSlots[i] = {entryOffset + 1, tag};
    if (++FHashed * 2 > FSlots.size()) {
      // Twice the slots, every entry placed again.
      std::vector<TSlot> old(FSlots.size() * 2);
      old.swap(FSlots);
      const size_t newMask = FSlots.size() - 1;
      for (const TSlot& slot : old) {
        if (slot.Entry == 0) continue;
        size_t k = Hash(slot.Entry - 1) & newMask;
        while (FSlots[k].Entry != 0) k = (k + 1) & newMask;
        FSlots[k] = slot;
      }
    }
  }
  return std::nullopt;
}

void TSST::Rehash() {
  FSlots.clear();
  FHashed = 0;
  for (uint32_t offset : FList) FindEqual(offset, true);
}

uint32_t TSST::AddEntry(std::u16string_view s, const std::vector<TRTFRun>& runs) {
  const bool wide = std::any_of(s.begin(), s.end(), [](char16_t c) { return c > 0xFF; });
  std::vector<uint8_t> runBytes;
  for (const TRTFRun& r : runs) {
    AppendU16(runBytes, r.FirstChar);
    AppendU16(runBytes, r.FontIndex);
  }
  const uint8_t options = runs.empty() ? 0 : xlstr::kRichText;
  const uint32_t offset = AppendEntry(s, wide, options, runBytes, {});
  if (const std::optional<uint32_t> equal = FindEqual(offset, true)) {
    AddRef(*equal);
    FMem.resize(offset);  // the serialised copy is not needed
    return *equal;
  }
  if (!FList.empty() && !Less(FList.back(), offset)) FSorted = false;
  FList.push_back(offset);
  PutU32(FMem.data() + offset + kOfsRefCount, 1);
  return offset;
}

uint32_t TSST::AddString(std::u16string_view s, const std::vector<TRTFRun>& runs) {
  const bool sortedBefore = FSorted;
  const size_t countBefore = FList.size();
  const uint32_t entry = AddEntry(s, runs);
  if (sortedBefore && !FSorted && FList.size() == countBefore + 1) {
    // Only the new entry, at the end, is out of place.
    const auto at = std::upper_bound(FList.begin(), FList.end() - 1, entry,
                                     [this](uint32_t a, uint32_t b) { return Less(a, b); });
    std::rotate(at, FList.end() - 1, FList.end());
    FSorted = true;
  }
  Sort();
  size_t index = 0;
  Find(entry, index);
  return static_cast<uint32_t>(index);
}

void TSST::AddRef(uint32_t entryOffset) {
  uint8_t* p = FMem.data() + entryOffset + kOfsRefCount;
  const uint32_t count = GetU32(p);
  if (count != std::numeric_limits<uint32_t>::max()) PutU32(p, count + 1);
}

void TSST::Release(uint32_t entryOffset) {
  uint8_t* p = FMem.data() + entryOffset + kOfsRefCount;
  const uint32_t count = GetU32(p);
  if (count != 0) PutU32(p, count - 1);
}

uint32_t TSST::RefCount(uint32_t entryOffset) const {
  return GetU32(FMem.data() + entryOffset + kOfsRefCount);
}

std::u16string TSST::EntryText(uint32_t entryOffset) const {
  const TEntryView v = View(FMem.data(), entryOffset);
  std::u16string text(v.Count, u'\0');
  const uint8_t* p = FMem.data() + v.Chars;
  for (uint16_t i = 0; i < v.Count; ++i) {
    text[i] = v.Wide() ? static_cast<char16_t>(GetU16(p + 2 * i)) : p[i];
  }
  return text;
}

std::vector<TRTFRun> TSST::EntryRuns(uint32_t entryOffset) const {
  const TEntryView v = View(FMem.data(), entryOffset);
  std::vector<TRTFRun> runs(v.Runs);
  const uint8_t* p = FMem.data() + v.Chars + v.CharBytes();
  for (uint16_t i = 0; i < v.Runs; ++i) {
    runs[i].FirstChar = GetU16(p + 4 * i);
    runs[i].FontIndex = GetU16(p + 4 * i + 2);
  }
  return runs;
}

uint32_t TSST::EntryIndex(uint32_t entryOffset) const {
  return GetU32(FMem.data() + entryOffset + kOfsIndex);
}

uint32_t TSST::EntryStreamPos(uint32_t entryOffset) const {
  return GetU32(FMem.data() + entryOffset + kOfsStreamPos);
}

uint16_t TSST::EntryRecordOffset(uint32_t entryOffset) const {
  return GetU16(FMem.data() + entryOffset + kOfsRecordOfs);
}

void TSST::Load(const std::vector<std::span<const uint8_t>>& payloads) {
  if (payloads.empty()) ReadFailure();
  TPayloadReader in(payloads);
  in.U32();  // total number of uses; recounted from the cells
  const uint32_t count = in.U32();
  std::u16string text;
  std::vector<uint8_t> runs;
  std::vector<uint8_t> farEast;
  if (count > 0) FSorted = FList.empty() && count == 1;
  for (uint32_t i = 0; i < count; ++i) {
    const uint16_t length = in.U16();
    const uint8_t options = in.U8();
    const uint16_t runCount = (options & xlstr::kRichText) ? in.U16() : 0;
    const uint32_t farEastSize = (options & xlstr::kFarEast) ? in.U32() : 0;
    text.clear();
    bool wide = (options & xlstr::kWide) != 0;
    bool anyWide = wide;
    // Characters arrive in segments whose width may change at each record
    // boundary; any 16-bit segment makes the whole string 16-bit.
    in.Chars(length, wide, anyWide, text);
    runs.resize(4u * runCount);
    in.Read(runs.data(), runs.size());
    if (farEastSize > in.Left()) ReadFailure();
    farEast.resize(farEastSize);
    in.Read(farEast.data(), farEast.size());
    const uint32_t offset = AppendEntry(text, anyWide, options, runs, farEast);
    // An entry equal to one before it stays an entry of its own: cells
    // refer to entries by their position in the file.
    FindEqual(offset, true);
    FList.push_back(offset);
  }
}

void TSST::Sort() {
  if (FSorted) return;
  std::stable_sort(FList.begin(), FList.end(),
                   [this](uint32_t a, uint32_t b) { return Less(a, b); });
  FSorted = true;
}

void TSST::FixRefs() {
  const size_t before = FList.size();
  std::erase_if(FList, [this](uint32_t offset) { return RefCount(offset) == 0; });
  // Entries dropped must not be found again by an equal string added later.
  if (FList.size() != before) Rehash();
  Sort();
}

namespace {

uint32_t ExtSSTBucketSize(size_t n) {
  return std::max<uint32_t>(8, static_cast<uint32_t>(n / 128 + 1));
}

}  // namespace

TSSTString TSST::StringAt(uint32_t entryOffset) const {
  const TEntryView v = View(FMem.data(), entryOffset);
  return {v.Count, v.Options, v.Runs, v.FarEast, FMem.data() + v.Chars};
}

// The SST and its CONTINUE records, then the EXTSST, which gives the
// position of every bucketSize-th string.
void TSST::Write(TRecordStream& out, uint8_t* stamp) const {
  uint64_t uses = 0;
  for (uint32_t offset : FList) uses += RefCount(offset);
  TSSTRecordWriter records(
      out, static_cast<uint32_t>(std::min<uint64_t>(uses, std::numeric_limits<uint32_t>::max())),
      static_cast<uint32_t>(FList.size()));
  const uint32_t bucketSize = ExtSSTBucketSize(FList.size());
  std::vector<TSSTRecordWriter::TPlace> buckets;
  for (size_t i = 0; i < FList.size(); ++i) {
    const uint32_t offset = FList[i];
    const TSSTRecordWriter::TPlace place = records.Write(StringAt(offset));
    if (i % bucketSize == 0) buckets.push_back(place);
    if (stamp) {
      PutU32(stamp + offset + kOfsIndex, static_cast<uint32_t>(i));
      PutU32(stamp + offset + kOfsStreamPos, place.StreamPos);
      PutU16(stamp + offset + kOfsRecordOfs, place.RecordOffset);
    }
  }
  records.Finish();

  TRecordBuffer ext(out);
  ext.Begin(xlsid::EXTSST);
  ext.U16(static_cast<uint16_t>(bucketSize));
  for (const TSSTRecordWriter::TPlace& place : buckets) {
    ext.U32(place.StreamPos);
    ext.U16(place.RecordOffset);
    ext.U16(0);
  }
  ext.End();
  ext.Flush();
}

void TSST::SaveToStream(TRecordStream& out) {
  Sort();
  Write(out, FMem.data());
}

uint64_t TSST::TotalSize() {
  Sort();
  return CountWritten([this](TRecordStream& s) { Write(s, nullptr); });
}

}  // namespace tessary
