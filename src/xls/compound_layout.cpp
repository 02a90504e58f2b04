#include "xls/compound_layout.h"

#include <algorithm>

namespace tessary {

using namespace cfb;

namespace {

uint64_t DivUp(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

// Sectors [start, start + count) as one chain.
void Chain(std::vector<uint32_t>& fat, uint64_t start, uint64_t count) {
  for (uint64_t s = start; s < start + count; ++s) {
    fat[s] = s + 1 < start + count ? static_cast<uint32_t>(s + 1) : kEndOfChain;
  }
}

}  // namespace

TCompoundLayout ComputeCompoundLayout(const TCompoundSizes& sizes) {
  TCompoundLayout l;
  uint64_t next = 0;
  for (const std::vector<uint64_t>& chains : sizes.Chains) {
    std::vector<uint64_t>& starts = l.ChainStarts.emplace_back();
    for (uint64_t count : chains) {
      starts.push_back(next);
      next += count;
    }
    l.DirSectors.push_back(next++);
  }
  l.MiniFatStart = next;
  l.MiniFatSectors = sizes.MiniFatSectors;
  next += sizes.MiniFatSectors;
  l.CopiedSectors = next;

  l.TargetSize = std::max<uint64_t>(sizes.TargetBytes, kMiniStreamCutoff);
  l.TargetStart = next;
  l.TargetSectors = DivUp(l.TargetSize, kSectorSize);
  next += l.TargetSectors;

  // The FAT covers itself and the DIFAT, and the DIFAT lists the FAT
  // sectors beyond the header's 109: the two counts are found together.
  uint64_t m = 0;
  uint64_t d = 0;
  for (;;) {
    m = DivUp(next + d, kFatEntriesPerSector - 1);
    const uint64_t newD =
        m <= kHeaderDifatCount ? 0 : DivUp(m - kHeaderDifatCount, kDifatEntriesPerSector);
    if (newD == d) break;
    d = newD;
  }
  l.DifatStart = next;
  l.DifatSectors = d;
  l.FatStart = next + d;
  l.FatSectors = m;
  l.TotalSectors = next + d + m;
  return l;
}

std::vector<uint32_t> TCompoundLayout::Fat() const {
  std::vector<uint32_t> fat(FatSectors * kFatEntriesPerSector, kFreeSect);
  for (size_t d = 0; d < DirSectors.size(); ++d) {
    for (size_t c = 0; c < ChainStarts[d].size(); ++c) {
      const uint64_t end = c + 1 < ChainStarts[d].size() ? ChainStarts[d][c + 1] : DirSectors[d];
      Chain(fat, ChainStarts[d][c], end - ChainStarts[d][c]);
    }
    fat[DirSectors[d]] =
        d + 1 < DirSectors.size() ? static_cast<uint32_t>(DirSectors[d + 1]) : kEndOfChain;
  }
  Chain(fat, MiniFatStart, MiniFatSectors);
  Chain(fat, TargetStart, TargetSectors);
  std::fill_n(fat.begin() + static_cast<std::ptrdiff_t>(DifatStart), DifatSectors, kDifSect);
  std::fill_n(fat.begin() + static_cast<std::ptrdiff_t>(FatStart), FatSectors, kFatSect);
  return fat;
}

}  // namespace tessary
