#include "xls/compound_file.h"

#include <algorithm>
#include <cstring>

#include "common/bytes.h"
#include "common/error.h"
#include "text/utf16.h"

namespace tessary {

using namespace cfb;

namespace {

constexpr uint16_t kByteOrderMark = 0xFFFE;
constexpr uint32_t kSectorShift = 9;
constexpr uint32_t kMiniSectorShift = 6;
constexpr uint32_t kEntriesPerSector = kFatEntriesPerSector;
static_assert(kSectorSize == 1u << kSectorShift);

[[noreturn]] void InvalidOperation(const std::string& streamName = {}) {
  ThrowError("Invalid OLE Stream operation on stream: \"%s\"", streamName.c_str());
}

[[noreturn]] void NotACompoundFile() { ThrowError("The file \"%s\" is invalid", ""); }

uint64_t DivUp(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

std::u16string EntryName(const uint8_t* entry) {
  const uint16_t nameSize = GetU16(entry + kOfsNameSize);
  if (nameSize < 2 || nameSize > 64) return {};
  std::u16string name(nameSize / 2 - 1, u'\0');
  for (size_t i = 0; i < name.size(); ++i) name[i] = static_cast<char16_t>(GetU16(entry + 2 * i));
  return name;
}

}  // namespace

std::u16string TCompoundDirEntry::Name() const { return EntryName(Data.data()); }

uint32_t TCompoundDirEntry::StartSector() const { return GetU32(Data.data() + kOfsStartSector); }

void TCompoundDirEntry::SetStartSector(uint32_t sector) {
  PutU32(Data.data() + kOfsStartSector, sector);
}

void TCompoundDirEntry::SetSize(uint64_t size) {
  ulSize = size;
  PutU64(Data.data() + kOfsStreamSize, size);
}

void TCompoundFile::Invalid() { ThrowError("Error reading Excel records. File invalid"); }

bool TCompoundFile::IsCompoundFile(TByteStream& stream) {
  const uint64_t start = stream.Position();
  const uint64_t size = stream.Size();
  if (size < start || size - start < kHeaderDataSize) return false;
  std::array<uint8_t, kFileSignature.size()> head{};
  stream.Read(head.data(), head.size());
  stream.Seek(start);
  return head == kFileSignature;
}

TCompoundFile::TCompoundFile(TByteStream& stream) : FStream(&stream) { Open(); }

TCompoundFile::~TCompoundFile() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; Close() does.
  }
}

void TCompoundFile::Open() {
  if (!IsCompoundFile(*FStream)) NotACompoundFile();
  FStartOfs = FStream->Position();
  const uint64_t size = FStream->Size();
  FStream->Read(FHeader.data(), kHeaderDataSize);
  // Only little-endian files with 512-byte sectors, 64-byte mini sectors
  // and the standard cutoff are read: every position of the copy assumes
  // them, and another cutoff would make the copy pad the target to that
  // size. Other values mean a damaged header, which must not be copied.
  if (GetU16(FHeader.data() + kOfsByteOrder) != kByteOrderMark ||
      GetU16(FHeader.data() + kOfsSectorShift) != kSectorShift ||
      GetU16(FHeader.data() + kOfsMiniSectorShift) != kMiniSectorShift ||
      GetU32(FHeader.data() + kOfsMiniSectorCutoff) != kMiniStreamCutoff) {
    NotACompoundFile();
  }
  FSectorSize = kSectorSize;
  FMiniSectorSize = 1u << kMiniSectorShift;
  FMiniSectorCutoff = kMiniStreamCutoff;
  if (size - FStartOfs < kHeaderSize) Invalid();
  // A last sector cut short still counts; its missing bytes read as zeros.
  FFileSectors = DivUp(size - FStartOfs - kHeaderSize, FSectorSize);

  uint8_t headerDifat[kHeaderSize - kHeaderDataSize];
  FStream->Read(headerDifat, sizeof headerDifat);
  ReadFat(headerDifat);
  ReadMiniFat();

  FDirSectors = FollowChain(GetU32(FHeader.data() + kOfsSectDirStart), FFileSectors);
  if (FDirSectors.empty()) Invalid();
  uint8_t dir[kSectorSize];
  ReadSector(FDirSectors[0], dir);
  std::memcpy(FRoot.Data.data(), dir, kDirEntrySize);
  FRoot.ulSize = EntrySize(dir);
  CheckDirectoryTree();
}

// The entries hang from the root's child in trees of left and right
// siblings, a storage's children from its child link. A link that leaves
// the directory, or reaches an entry a second time (a loop, or an entry
// shared by two trees), makes the file damaged: readers would walk it
// forever or see one stream twice, and a copy would carry the damage on.
void TCompoundFile::CheckDirectoryTree() const {
  const uint32_t perSector = FSectorSize / kDirEntrySize;
  const uint64_t count = static_cast<uint64_t>(FDirSectors.size()) * perSector;
  std::vector<uint8_t> types(count);
  std::vector<std::array<uint32_t, 3>> links(count);
  uint8_t sector[kSectorSize];
  for (size_t s = 0; s < FDirSectors.size(); ++s) {
    ReadSector(FDirSectors[s], sector);
    for (uint32_t e = 0; e < perSector; ++e) {
      const uint8_t* entry = sector + e * kDirEntrySize;
      const size_t i = s * perSector + e;
      types[i] = entry[kOfsObjectType];
      links[i] = {GetU32(entry + kOfsLeftSibling), GetU32(entry + kOfsRightSibling),
                  GetU32(entry + kOfsChild)};
    }
  }
  if (types[0] != STGTY_ROOT) Invalid();
  std::vector<bool> reached(count);
  reached[0] = true;
  std::vector<uint32_t> pending = {links[0][2]};
  while (!pending.empty()) {
    const uint32_t i = pending.back();
    pending.pop_back();
    if (i == kNoStream) continue;
    if (i >= count || reached[i]) Invalid();
    reached[i] = true;
    pending.push_back(links[i][0]);
    pending.push_back(links[i][1]);
    // Only storages have children; a stream's child field is not a link.
    if (types[i] == STGTY_STORAGE) pending.push_back(links[i][2]);
  }
}

void TCompoundFile::ReadFat(const uint8_t* headerDifat) {
  // Entries for sectors past the end of the file are never needed, so the
  // table stops growing once it covers the file: a header that claims more
  // FAT sectors than the file holds costs nothing.
  const uint64_t maxEntries = DivUp(FFileSectors, kEntriesPerSector) * kEntriesPerSector;
  uint8_t sector[kSectorSize];
  auto walk = [&](const uint8_t* entries, uint32_t count) {
    for (uint32_t i = 0; i < count && FFat.size() < maxEntries; ++i) {
      const uint32_t fatSector = GetU32(entries + 4 * i);
      if (fatSector == kEndOfChain) return;
      if (fatSector == kFreeSect) {
        FFat.insert(FFat.end(), kEntriesPerSector, kFreeSect);
        continue;
      }
      if (fatSector >= FFileSectors) Invalid();
      ReadSector(fatSector, sector);
      for (uint32_t k = 0; k < kEntriesPerSector; ++k) FFat.push_back(GetU32(sector + 4 * k));
    }
  };
  walk(headerDifat, kHeaderDifatCount);

  const uint32_t csectDif = GetU32(FHeader.data() + kOfsCsectDif);
  if (csectDif > FFileSectors) Invalid();
  std::vector<bool> seen(FFileSectors);
  uint32_t difSector = GetU32(FHeader.data() + kOfsSectDifStart);
  // The DIFAT chain is checked to its announced length even when the table
  // already covers the file.
  for (uint32_t k = 0; k < csectDif; ++k) {
    if (difSector >= FFileSectors || seen[difSector]) Invalid();
    seen[difSector] = true;
    uint8_t difat[kSectorSize];
    ReadSector(difSector, difat);
    walk(difat, kEntriesPerSector - 1);
    difSector = GetU32(difat + kSectorSize - 4);
  }
}

void TCompoundFile::ReadMiniFat() {
  const uint32_t count = GetU32(FHeader.data() + kOfsCsectMiniFat);
  if (count > FFileSectors) Invalid();
  FMiniFatSectors = FollowChain(GetU32(FHeader.data() + kOfsSectMiniFatStart), count);
  if (FMiniFatSectors.size() < count) Invalid();
  uint8_t sector[kSectorSize];
  for (uint32_t s : FMiniFatSectors) {
    ReadSector(s, sector);
    for (uint32_t k = 0; k < kEntriesPerSector; ++k) FMiniFat.push_back(GetU32(sector + 4 * k));
  }
}

uint64_t TCompoundFile::SectorPos(uint32_t sector) const {
  return FStartOfs + kHeaderSize + static_cast<uint64_t>(sector) * FSectorSize;
}

void TCompoundFile::ReadSector(uint32_t sector, uint8_t* buf) const {
  if (sector >= FFileSectors) Invalid();
  const uint64_t pos = SectorPos(sector);
  const uint64_t size = FStream->Size();
  const uint64_t available = std::min<uint64_t>(FSectorSize, size - pos);
  FStream->Seek(pos);
  FStream->Read(buf, available);
  std::memset(buf + available, 0, FSectorSize - available);
}

const uint8_t* TCompoundFile::CachedSector(uint32_t sector) {
  if (FSectorCache.size() != FSectorSize || FSectorCacheId != sector) {
    FSectorCache.resize(FSectorSize);
    FSectorCacheId = kFreeSect;
    ReadSector(sector, FSectorCache.data());
    FSectorCacheId = sector;
  }
  return FSectorCache.data();
}

std::vector<uint32_t> TCompoundFile::FollowChain(uint32_t start, uint64_t maxSectors) const {
  std::vector<uint32_t> chain;
  if (maxSectors == 0) return chain;
  std::vector<bool> seen(FFileSectors);
  uint32_t sector = start;
  while (sector != kEndOfChain && chain.size() < maxSectors) {
    if (sector >= FFileSectors || sector >= FFat.size() || seen[sector]) Invalid();
    seen[sector] = true;
    chain.push_back(sector);
    sector = FFat[sector];
  }
  return chain;
}

std::vector<uint32_t> TCompoundFile::FollowMiniChain(uint32_t start, uint64_t maxSectors) const {
  std::vector<uint32_t> chain;
  if (maxSectors == 0) return chain;
  std::vector<bool> seen(FMiniFat.size());
  uint32_t sector = start;
  while (sector != kEndOfChain && chain.size() < maxSectors) {
    if (sector >= FMiniFat.size() || seen[sector]) Invalid();
    seen[sector] = true;
    chain.push_back(sector);
    sector = FMiniFat[sector];
  }
  return chain;
}

const std::vector<uint32_t>& TCompoundFile::MiniStreamSectors() {
  if (!FMiniStreamRead) {
    FMiniStreamSectors = FollowChain(FRoot.StartSector(), DivUp(FRoot.ulSize, FSectorSize));
    FMiniStreamRead = true;
  }
  return FMiniStreamSectors;
}

uint64_t TCompoundFile::EntrySize(const uint8_t* entry) const {
  // Version 3 files store 32-bit sizes; the high half is left undefined by
  // some writers and is ignored.
  return GetU32(entry + kOfsStreamSize);
}

std::optional<TCompoundDirEntry> TCompoundFile::FindDir(std::u16string_view name) const {
  if (FClosed) return std::nullopt;
  uint8_t sector[kSectorSize];
  for (uint32_t s : FDirSectors) {
    ReadSector(s, sector);
    for (uint32_t e = 0; e < FSectorSize / kDirEntrySize; ++e) {
      const uint8_t* entry = sector + e * kDirEntrySize;
      if (EntryName(entry) == name) {
        TCompoundDirEntry found;
        std::memcpy(found.Data.data(), entry, kDirEntrySize);
        found.ulSize = EntrySize(entry);
        return found;
      }
    }
  }
  return std::nullopt;
}

void TCompoundFile::SelectStream(std::u16string_view name) {
  if (FPreparedForWrite || FClosed) InvalidOperation(ToUtf8(name));
  FDir.reset();
  FDirChain.clear();
  FStreamPos = 0;
  std::optional<TCompoundDirEntry> entry = FindDir(name);
  if (!entry) NotACompoundFile();
  // The whole chain is resolved and checked here, so that a chain that
  // loops, leaves the file or is shorter than the stream fails at once and
  // reading is a lookup per sector.
  const uint64_t size = entry->ulSize;
  std::vector<uint32_t> chain;
  const bool mini = size < FMiniSectorCutoff;
  if (mini) {
    const uint64_t needed = DivUp(size, FMiniSectorSize);
    chain = FollowMiniChain(entry->StartSector(), needed);
    if (chain.size() < needed) Invalid();
    const uint64_t miniStreamSectors = needed == 0 ? 0 : MiniStreamSectors().size();
    for (uint32_t m : chain) {
      if (static_cast<uint64_t>(m) * FMiniSectorSize >= miniStreamSectors * FSectorSize) Invalid();
    }
  } else {
    const uint64_t needed = DivUp(size, FSectorSize);
    chain = FollowChain(entry->StartSector(), needed);
    if (chain.size() < needed) Invalid();
  }
  FDir = std::move(entry);
  FDirChain = std::move(chain);
  FDirIsMini = mini;
}

void TCompoundFile::ReadMem(void* buf, uint32_t count) {
  if (FPreparedForWrite || FClosed) InvalidOperation();
  if (!FDir) return;
  const uint64_t size = FDir->ulSize;
  if (FStreamPos + count > size) {
    const uint64_t missing = FStreamPos + count - size;
    ThrowError("End of stream reached with %d bytes left to read", static_cast<int>(missing));
  }
  uint8_t* out = static_cast<uint8_t*>(buf);
  const uint32_t unit = FDirIsMini ? FMiniSectorSize : FSectorSize;
  while (count > 0) {
    const uint64_t index = FStreamPos / unit;
    const uint32_t within = static_cast<uint32_t>(FStreamPos % unit);
    if (!FDirIsMini && within == 0 && count >= unit) {
      // Whole sectors that follow each other in the file are read at once.
      uint64_t run = 1;
      while ((run + 1) * unit <= count && index + run < FDirChain.size() &&
             FDirChain[index + run] == FDirChain[index] + run &&
             FDirChain[index + run] < FFileSectors - 1) {
        ++run;
      }
      if (run > 1) {
        const uint32_t n = static_cast<uint32_t>(run * unit);
        FStream->Seek(SectorPos(FDirChain[index]));
        FStream->Read(out, n);
        out += n;
        count -= n;
        FStreamPos += n;
        continue;
      }
    }
    const uint32_t n = std::min(unit - within, count);
    uint32_t sector;
    uint32_t offset;
    if (FDirIsMini) {
      const uint64_t miniPos = static_cast<uint64_t>(FDirChain[index]) * FMiniSectorSize + within;
      sector = MiniStreamSectors()[miniPos / FSectorSize];
      offset = static_cast<uint32_t>(miniPos % FSectorSize);
    } else {
      sector = FDirChain[index];
      offset = within;
    }
    std::memcpy(out, CachedSector(sector) + offset, n);
    out += n;
    count -= n;
    FStreamPos += n;
  }
}

std::vector<uint8_t> TCompoundFile::ReadAll() {
  const uint64_t left = Length() > FStreamPos ? Length() - FStreamPos : 0;
  if (left > UINT32_MAX) Invalid();
  std::vector<uint8_t> bytes(left);
  ReadMem(bytes.data(), static_cast<uint32_t>(left));
  return bytes;
}

bool TCompoundFile::NextEof(uint32_t count) const { return FStreamPos + count >= Length(); }

uint64_t TCompoundFile::Length() const { return FDir ? FDir->ulSize : 0; }

uint64_t TCompoundFile::Position() const {
  if (FPreparedForWrite) return FDir->ulSize;
  return FStreamPos;
}

void TCompoundFile::OutWrite(const void* buf, size_t n) { FOut->Write(buf, n); }

void TCompoundFile::CheckOutPosition(uint64_t sectors) const {
  if (FOut->Position() != FOutStartOfs + kHeaderSize + sectors * FSectorSize) {
    throw Error("New Stream IO Error");
  }
}

void TCompoundFile::WriteOutSector(const uint8_t* data, uint64_t sector) {
  OutWrite(data, FSectorSize);
  CheckOutPosition(sector + 1);
}

std::vector<TCompoundFile::TDirCopy> TCompoundFile::PlanCopy(
    std::u16string_view streamName, std::optional<TCompoundDirEntry>& target) const {
  // A sector in two chains would be copied twice; such a file is damaged,
  // and copying it could multiply its size.
  std::vector<bool> used(FFileSectors);
  auto take = [&](uint32_t sector) {
    if (used[sector]) Invalid();
    used[sector] = true;
  };
  std::vector<TDirCopy> copies;
  uint8_t sector[kSectorSize];
  for (uint32_t dirSector : FDirSectors) {
    used[dirSector] = true;
    ReadSector(dirSector, sector);
    TDirCopy& copy = copies.emplace_back();
    for (uint32_t e = 0; e < FSectorSize / kDirEntrySize; ++e) {
      uint8_t* entry = sector + e * kDirEntrySize;
      const uint8_t type = entry[kOfsObjectType];
      if (type == STGTY_STREAM && !target && EntryName(entry) == streamName) {
        PutU32(entry + kOfsStartSector, kEndOfChain);
        PutU64(entry + kOfsStreamSize, 0);
        target.emplace();
        std::memcpy(target->Data.data(), entry, kDirEntrySize);
        copy.TargetEntry = static_cast<int>(e);
      } else if (type == STGTY_ROOT ||
                 (type == STGTY_STREAM && EntrySize(entry) >= FMiniSectorCutoff)) {
        const uint32_t start = GetU32(entry + kOfsStartSector);
        if (start == kEndOfChain) continue;
        // At least one sector: an entry that has a chain keeps one.
        const uint64_t wanted = std::max<uint64_t>(1, DivUp(EntrySize(entry), FSectorSize));
        std::vector<uint32_t> chain = FollowChain(start, wanted);
        for (uint32_t s : chain) take(s);
        copy.Chains.push_back({e, std::move(chain)});
      }
    }
  }
  for (uint32_t s : FMiniFatSectors) take(s);
  return copies;
}

void TCompoundFile::WriteCopy(const std::vector<TDirCopy>& copies, const TCompoundLayout& layout) {
  uint8_t data[kSectorSize];
  uint8_t dir[kSectorSize];
  for (size_t d = 0; d < copies.size(); ++d) {
    ReadSector(FDirSectors[d], dir);
    const TDirCopy& copy = copies[d];
    for (size_t c = 0; c < copy.Chains.size(); ++c) {
      uint64_t to = layout.ChainStarts[d][c];
      PutU32(dir + copy.Chains[c].Entry * kDirEntrySize + kOfsStartSector,
             static_cast<uint32_t>(to));
      for (uint32_t s : copy.Chains[c].Sectors) {
        ReadSector(s, data);
        WriteOutSector(data, to++);
      }
    }
    if (copy.TargetEntry >= 0) {
      uint8_t* entry = dir + copy.TargetEntry * kDirEntrySize;
      PutU32(entry + kOfsStartSector, kEndOfChain);
      PutU64(entry + kOfsStreamSize, 0);
      FDIRStartPos = FOut->Position() + copy.TargetEntry * kDirEntrySize;
    }
    WriteOutSector(dir, layout.DirSectors[d]);
  }
  uint64_t to = layout.MiniFatStart;
  for (uint32_t s : FMiniFatSectors) {
    ReadSector(s, data);
    WriteOutSector(data, to++);
  }
  CheckOutPosition(layout.CopiedSectors);
}

void TCompoundFile::PrepareForWrite(TByteStream& out, std::u16string_view streamName) {
  if (FPreparedForWrite || FClosed) InvalidOperation();
  FDir.reset();
  FDirChain.clear();
  FStreamPos = 0;
  FOut = &out;
  FOutHeader = FHeader;
  FOutStartOfs = out.Position();
  try {
    out.Seek(FOutStartOfs + kHeaderSize);
    std::optional<TCompoundDirEntry> target;
    const std::vector<TDirCopy> copies = PlanCopy(streamName, target);
    if (!target) InvalidOperation();
    FOutSizes = {};
    for (const TDirCopy& copy : copies) {
      std::vector<uint64_t>& counts = FOutSizes.Chains.emplace_back();
      for (const TDirCopy::TChain& chain : copy.Chains) counts.push_back(chain.Sectors.size());
    }
    FOutSizes.MiniFatSectors = FMiniFatSectors.size();
    // The target's size only changes where the target and what follows lie.
    const TCompoundLayout layout = ComputeCompoundLayout(FOutSizes);
    WriteCopy(copies, layout);
    PutU32(FOutHeader.data() + kOfsSectDirStart, static_cast<uint32_t>(layout.DirSectors[0]));
    // Without a MiniFAT the header says so, rather than keeping a start
    // sector that means something else in the copy.
    PutU32(FOutHeader.data() + kOfsSectMiniFatStart,
           layout.MiniFatSectors > 0 ? static_cast<uint32_t>(layout.MiniFatStart) : kEndOfChain);
    target->SetStartSector(static_cast<uint32_t>(layout.CopiedSectors));
    target->SetSize(0);
    FDir = std::move(target);
    FPreparedForWrite = true;
  } catch (...) {
    FOutSizes = {};
    FOut = nullptr;
    FDir.reset();
    throw;
  }
}

void TCompoundFile::WriteMem(const void* buf, uint32_t count) {
  if (!FPreparedForWrite || FClosed) InvalidOperation();
  OutWrite(buf, count);
  FDir->ulSize += count;
}

void TCompoundFile::Write16(uint16_t value) {
  uint8_t bytes[2];
  PutU16(bytes, value);
  WriteMem(bytes, 2);
}

void TCompoundFile::Write32(uint32_t value) {
  uint8_t bytes[4];
  PutU32(bytes, value);
  WriteMem(bytes, 4);
}

void TCompoundFile::FinishWrite() {
  FOutSizes.TargetBytes = FDir->ulSize;
  const TCompoundLayout layout = ComputeCompoundLayout(FOutSizes);
  // The target never becomes a mini stream: it is padded to the cutoff, and
  // the padding counts as stream bytes. Then it is padded to the end of its
  // last sector, which does not count.
  const std::vector<uint8_t> zeros(layout.TargetSectors * FSectorSize - FDir->ulSize, 0);
  OutWrite(zeros.data(), zeros.size());
  CheckOutPosition(layout.DifatStart);

  uint8_t sector[kSectorSize];
  const uint64_t d = layout.DifatSectors;
  const uint64_t m = layout.FatSectors;
  for (uint64_t k = 0; k < d; ++k) {
    for (uint32_t i = 0; i < kDifatEntriesPerSector; ++i) {
      const uint64_t j = kHeaderDifatCount + k * kDifatEntriesPerSector + i;
      PutU32(sector + 4 * i, j < m ? static_cast<uint32_t>(layout.FatStart + j) : kFreeSect);
    }
    PutU32(sector + kSectorSize - 4,
           k + 1 < d ? static_cast<uint32_t>(layout.DifatStart + k + 1) : kFreeSect);
    OutWrite(sector, kSectorSize);
  }
  const std::vector<uint32_t> fat = layout.Fat();
  for (uint64_t s = 0; s < m; ++s) {
    for (uint32_t i = 0; i < kEntriesPerSector; ++i) {
      PutU32(sector + 4 * i, fat[s * kEntriesPerSector + i]);
    }
    OutWrite(sector, kSectorSize);
  }
  // The file ends where the layout says.
  CheckOutPosition(layout.TotalSectors);
  const uint64_t end = FOut->Position();

  FDir->SetStartSector(static_cast<uint32_t>(layout.TargetStart));
  FDir->SetSize(layout.TargetSize);
  FOut->Seek(FDIRStartPos);
  OutWrite(FDir->Data.data(), kDirEntrySize);

  PutU32(FOutHeader.data() + kOfsCsectFat, static_cast<uint32_t>(m));
  PutU32(FOutHeader.data() + kOfsCsectDif, static_cast<uint32_t>(d));
  PutU32(FOutHeader.data() + kOfsSectDifStart,
         d > 0 ? static_cast<uint32_t>(layout.DifatStart) : kEndOfChain);
  uint8_t header[kHeaderSize];
  std::memcpy(header, FOutHeader.data(), kHeaderDataSize);
  for (uint32_t i = 0; i < kHeaderDifatCount; ++i) {
    PutU32(header + kHeaderDataSize + 4 * i,
           i < m ? static_cast<uint32_t>(layout.FatStart + i) : kFreeSect);
  }
  FOut->Seek(FOutStartOfs);
  OutWrite(header, kHeaderSize);
  FOut->Seek(end);
}

void TCompoundFile::Close() {
  if (FClosed) return;
  FClosed = true;
  const bool prepared = FPreparedForWrite;
  FPreparedForWrite = false;
  if (prepared) FinishWrite();
  FFat.clear();
  FMiniFat.clear();
  FOutSizes = {};
  FDirChain.clear();
  FDir.reset();
}

}  // namespace tessary
