// Compound files (version 3, 512-byte sectors): opening one on a byte
// stream and reading a stream out of it, and writing a copy of it with one
// stream (the target) replaced by the bytes the caller appends. The copy's
// layout is computed first (compound_layout.h); the header, written last,
// goes in front.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "xls/byte_stream.h"
#include "xls/compound_layout.h"
#include "xls/record_stream.h"

namespace tessary {

namespace cfb {
inline constexpr std::array<uint8_t, 8> kFileSignature = {0xD0, 0xCF, 0x11, 0xE0,
                                                          0xA1, 0xB1, 0x1A, 0xE1};
inline constexpr uint32_t kHeaderDataSize = 76;
inline constexpr uint32_t kDirEntrySize = 128;

// Directory entry object types.
enum : uint8_t {
  STGTY_INVALID = 0,
  STGTY_STORAGE = 1,
  STGTY_STREAM = 2,
  STGTY_LOCKBYTES = 3,
  STGTY_PROPERTY = 4,
  STGTY_ROOT = 5
};
enum : uint8_t { DECOLOR_RED = 0, DECOLOR_BLACK = 1 };

// Header field offsets.
inline constexpr size_t kOfsByteOrder = 28;
inline constexpr size_t kOfsSectorShift = 30;
inline constexpr size_t kOfsMiniSectorShift = 32;
inline constexpr size_t kOfsCsectFat = 44;
inline constexpr size_t kOfsSectDirStart = 48;
inline constexpr size_t kOfsMiniSectorCutoff = 56;
inline constexpr size_t kOfsSectMiniFatStart = 60;
inline constexpr size_t kOfsCsectMiniFat = 64;
inline constexpr size_t kOfsSectDifStart = 68;
inline constexpr size_t kOfsCsectDif = 72;

// Directory entry field offsets.
inline constexpr size_t kOfsNameSize = 64;
inline constexpr size_t kOfsObjectType = 66;
inline constexpr size_t kOfsLeftSibling = 68;
inline constexpr size_t kOfsRightSibling = 72;
inline constexpr size_t kOfsChild = 76;
inline constexpr size_t kOfsStartSector = 116;
inline constexpr size_t kOfsStreamSize = 120;
}  // namespace cfb

// One directory entry: its 128 bytes as stored, and the stream size.
struct TCompoundDirEntry {
  std::array<uint8_t, cfb::kDirEntrySize> Data{};
  uint64_t ulSize = 0;

  // The entry's name; empty when the stored name size is below 2 or above 64.
  std::u16string Name() const;
  uint8_t ObjectType() const { return Data[cfb::kOfsObjectType]; }
  uint32_t StartSector() const;
  void SetStartSector(uint32_t sector);
  // Stores `size` in the entry's size field and in ulSize.
  void SetSize(uint64_t size);
};

class TCompoundFile : public TRecordStream {
 public:
  // Whether the stream holds, from its current position, a compound file's
  // header with its signature. The position is restored.
  static bool IsCompoundFile(TByteStream& stream);

  // Opens the compound file that starts at the stream's current position.
  // A stream that is not a compound file fails with "The file "%s" is
  // invalid". A header whose byte order or sector sizes are not those of a
  // version 3 file fails as not a compound file. Damaged allocation tables,
  // and a directory tree whose links loop or reach an entry twice, fail
  // with "Error reading Excel records. File invalid".
  explicit TCompoundFile(TByteStream& stream);
  // Close(): completes a prepared copy. Failures there are swallowed; call
  // Close() explicitly to see them.
  ~TCompoundFile() override;
  TCompoundFile(const TCompoundFile&) = delete;
  TCompoundFile& operator=(const TCompoundFile&) = delete;

  // The first entry whose name equals `name` exactly, or none.
  std::optional<TCompoundDirEntry> FindDir(std::u16string_view name) const;
  const TCompoundDirEntry& FindRoot() const { return FRoot; }

  // Selects the stream to read; the read position becomes 0.
  void SelectStream(std::u16string_view name);
  // Reads `count` bytes of the selected stream at the read position ("End
  // of stream reached with %d bytes left to read" past its end).
  void ReadMem(void* buf, uint32_t count);
  void Read(void* buf, uint32_t count) { ReadMem(buf, count); }
  // The rest of the selected stream, from the read position.
  std::vector<uint8_t> ReadAll();
  // Position + count >= length.
  bool NextEof(uint32_t count) const;
  bool Eof() const { return FStreamPos >= Length(); }
  // The selected stream's size (0 with none selected).
  uint64_t Length() const;

  // Starts the copy on `out` with the stream `streamName` left empty; the
  // appends then fill it.
  void PrepareForWrite(TByteStream& out, std::u16string_view streamName);
  void WriteMem(const void* buf, uint32_t count) override;
  void WriteRawMem(const void* buf, uint32_t count) { WriteMem(buf, count); }
  void Write16(uint16_t value);
  void Write32(uint32_t value);
  // The read position; after preparing, the number of bytes appended.
  uint64_t Position() const override;

  // Completes a prepared copy (FinishWrite); afterwards the file is closed
  // and every operation on it fails.
  void Close();

 private:
  void Open();
  void ReadFat(const uint8_t* headerDifat);
  void ReadMiniFat();
  void CheckDirectoryTree() const;
  [[noreturn]] static void Invalid();
  uint64_t SectorPos(uint32_t sector) const;
  // Reads one whole sector of the source (zeros for the missing part of a
  // last sector cut short).
  void ReadSector(uint32_t sector, uint8_t* buf) const;
  // The source sector through a one-sector cache.
  const uint8_t* CachedSector(uint32_t sector);
  // The chain from `start`, at most `maxSectors` long, every sector checked
  // against the file and the chain checked for loops.
  std::vector<uint32_t> FollowChain(uint32_t start, uint64_t maxSectors) const;
  std::vector<uint32_t> FollowMiniChain(uint32_t start, uint64_t maxSectors) const;
  const std::vector<uint32_t>& MiniStreamSectors();
  uint64_t EntrySize(const uint8_t* entry) const;

  // What the copy takes from one directory sector: the source chains of
  // the entries whose streams are copied, and the target's entry.
  struct TDirCopy {
    struct TChain {
      uint32_t Entry;
      std::vector<uint32_t> Sectors;
    };
    std::vector<TChain> Chains;
    int TargetEntry = -1;
  };
  // Finds what the copy takes, every chain checked, and the target's entry
  // (start and size cleared) in `target`.
  std::vector<TDirCopy> PlanCopy(std::u16string_view streamName,
                                 std::optional<TCompoundDirEntry>& target) const;
  void WriteCopy(const std::vector<TDirCopy>& copies, const TCompoundLayout& layout);
  // Writes a sector that must become sector `sector` of the output.
  void WriteOutSector(const uint8_t* data, uint64_t sector);
  // Fails with "New Stream IO Error" unless the output is at sector `sectors`.
  void CheckOutPosition(uint64_t sectors) const;
  void OutWrite(const void* buf, size_t n);
  void FinishWrite();

  TByteStream* FStream;
  TByteStream* FOut = nullptr;
  bool FClosed = false;
  std::array<uint8_t, cfb::kHeaderDataSize> FHeader{};
  uint64_t FStartOfs = 0;
  uint32_t FSectorSize = 512;
  uint32_t FMiniSectorSize = 64;
  uint32_t FMiniSectorCutoff = 4096;
  uint64_t FFileSectors = 0;  // sectors the source holds after its header

  std::vector<uint32_t> FFat;
  std::vector<uint32_t> FMiniFat;
  std::vector<uint32_t> FMiniFatSectors;  // the MiniFAT's own sectors, in chain order
  std::vector<uint32_t> FDirSectors;
  std::vector<uint32_t> FMiniStreamSectors;  // the root's chain, read when first needed
  bool FMiniStreamRead = false;
  TCompoundDirEntry FRoot;

  std::vector<uint8_t> FSectorCache;
  uint32_t FSectorCacheId = cfb::kFreeSect;

  // The selected stream (reading) or the target (writing).
  std::optional<TCompoundDirEntry> FDir;
  std::vector<uint32_t> FDirChain;  // sectors or mini sectors of the selected stream
  bool FDirIsMini = false;
  uint64_t FStreamPos = 0;

  bool FPreparedForWrite = false;
  std::array<uint8_t, cfb::kHeaderDataSize> FOutHeader{};
  uint64_t FDIRStartPos = 0;
  uint64_t FOutStartOfs = 0;
  TCompoundSizes FOutSizes;  // what the layout of the copy is computed from
};

}  // namespace tessary
