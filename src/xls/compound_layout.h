// Where every sector of a written compound file lies, computed from the
// sizes of what it holds before anything is written. The copy is laid out
// as: per directory sector, the chains copied for the entries in it (the
// root's mini stream and every stream of at least the mini stream cutoff,
// in entry order, each made contiguous), then the directory sector itself;
// then the MiniFAT sectors; then the target stream; then the DIFAT sectors
// the FAT needs beyond the header's 109 entries; then the FAT. The header
// goes in front of sector 0.
#pragma once

#include <cstdint>
#include <vector>

namespace tessary {

namespace cfb {
// Special sector numbers.
inline constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
inline constexpr uint32_t kDifSect = 0xFFFFFFFC;
inline constexpr uint32_t kFatSect = 0xFFFFFFFD;
inline constexpr uint32_t kFreeSect = 0xFFFFFFFF;
inline constexpr uint32_t kNoStream = 0xFFFFFFFF;

inline constexpr uint32_t kHeaderSize = 512;
// FAT sector numbers in the header; more go in DIFAT sectors.
inline constexpr uint32_t kHeaderDifatCount = 109;
inline constexpr uint32_t kSectorSize = 512;
inline constexpr uint32_t kMiniStreamCutoff = 4096;
inline constexpr uint32_t kFatEntriesPerSector = kSectorSize / 4;  // 128
// A DIFAT sector holds 127 FAT sector numbers and the number of the next.
inline constexpr uint32_t kDifatEntriesPerSector = kFatEntriesPerSector - 1;
}  // namespace cfb

struct TCompoundSizes {
  // For each directory sector, in chain order: the sector count of each
  // chain copied in front of it, in entry order.
  std::vector<std::vector<uint64_t>> Chains;
  uint64_t MiniFatSectors = 0;
  // The bytes appended to the target stream.
  uint64_t TargetBytes = 0;
};

struct TCompoundLayout {
  // Sector numbers, shaped like TCompoundSizes::Chains.
  std::vector<std::vector<uint64_t>> ChainStarts;
  std::vector<uint64_t> DirSectors;
  uint64_t MiniFatStart = 0;
  uint64_t MiniFatSectors = 0;
  // The sectors written by the copy before the target (F).
  uint64_t CopiedSectors = 0;
  // The target's recorded size: its bytes, at least the mini stream
  // cutoff, so that it never becomes a mini stream.
  uint64_t TargetSize = 0;
  uint64_t TargetStart = 0;
  uint64_t TargetSectors = 0;
  uint64_t DifatStart = 0;
  uint64_t DifatSectors = 0;
  uint64_t FatStart = 0;
  uint64_t FatSectors = 0;
  uint64_t TotalSectors = 0;

  // The file's size: the header and every sector.
  uint64_t FileSize() const { return cfb::kSectorSize * (1 + TotalSectors); }
  // The FAT: one entry per sector, FREESECT up to the end of the last FAT
  // sector. Chains, directory and MiniFAT sectors and the target each form
  // one run ended by ENDOFCHAIN; DIFAT and FAT sectors are marked as such.
  std::vector<uint32_t> Fat() const;
};

TCompoundLayout ComputeCompoundLayout(const TCompoundSizes& sizes);

}  // namespace tessary
