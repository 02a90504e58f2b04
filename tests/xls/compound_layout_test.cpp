// The layout of a written compound file, at the sizes where it changes
// shape.
#include "xls/compound_layout.h"

#include <gtest/gtest.h>

namespace tessary {
namespace {

using Starts = std::vector<std::vector<uint64_t>>;

// The template's shape: two property sets of 8 sectors and the directory
// in front of the target.
TCompoundLayout TemplateCopy(uint64_t targetBytes) {
  return ComputeCompoundLayout({{{8, 8}}, 0, targetBytes});
}

// One directory sector, then a target of `sectors` sectors.
TCompoundLayout TargetOf(uint64_t sectors) {
  return ComputeCompoundLayout({{{}}, 0, sectors * 512});
}

TEST(CompoundLayout, CopiedSectorsComeInCopyOrder) {
  TCompoundLayout l = TemplateCopy(1708);
  EXPECT_EQ(l.ChainStarts, (Starts{{0, 8}}));
  EXPECT_EQ(l.DirSectors, std::vector<uint64_t>{16});
  EXPECT_EQ(l.TargetStart, 17u);
  EXPECT_EQ(l.TargetSize, 4096u);  // padded to the cutoff: never a mini stream
  EXPECT_EQ(l.FatStart, 25u);
  EXPECT_EQ(l.FileSize(), 13824u);

  // Chains, directory sectors and MiniFAT sectors each form one chain.
  l = ComputeCompoundLayout({{{3}, {2}}, 2, 4097});
  EXPECT_EQ(l.ChainStarts, (Starts{{0}, {4}}));
  EXPECT_EQ(l.DirSectors, (std::vector<uint64_t>{3, 6}));
  EXPECT_EQ(l.MiniFatStart, 7u);
  EXPECT_EQ(l.TargetSectors, 9u);
  const std::vector<uint32_t> fat = l.Fat();
  const std::vector<uint32_t> front = {
      1, 2, cfb::kEndOfChain, 6, 5, cfb::kEndOfChain, cfb::kEndOfChain, 8, cfb::kEndOfChain};
  EXPECT_EQ(std::vector<uint32_t>(fat.begin(), fat.begin() + 9), front);
  EXPECT_EQ(fat[17], cfb::kEndOfChain);
  EXPECT_EQ(fat[18], cfb::kFatSect);
  EXPECT_EQ(fat[19], cfb::kFreeSect);
}

TEST(CompoundLayout, FatAndDifatSectorCounts) {
  // A FAT sector holds 128 entries, its own among them: 127 other sectors
  // fill it exactly, one more needs a second.
  EXPECT_EQ(TemplateCopy(110 * 512).FatSectors, 1u);
  EXPECT_EQ(TemplateCopy(110 * 512).FileSize(), 66048u);
  EXPECT_EQ(TemplateCopy(110 * 512 + 1).FatSectors, 2u);

  // The header lists 109 FAT sectors; the 110th needs a DIFAT sector, which
  // goes between the target and the FAT.
  TCompoundLayout l = TargetOf(109 * 127 - 1);
  EXPECT_EQ(l.FatSectors, 109u);
  EXPECT_EQ(l.DifatSectors, 0u);
  l = TargetOf(109 * 127);
  EXPECT_EQ(l.FatSectors, 110u);
  EXPECT_EQ(l.DifatSectors, 1u);
  EXPECT_EQ(l.DifatStart, 1u + 109 * 127);
  EXPECT_EQ(l.FatStart, l.DifatStart + 1);
  EXPECT_EQ(l.TotalSectors, l.FatStart + 110);

  // A DIFAT sector lists 127 FAT sectors (its last entry links the next):
  // 236 FAT sectors need one, 237 two.
  l = TargetOf(236 * 127 - 2);
  EXPECT_EQ(l.FatSectors, 236u);
  EXPECT_EQ(l.DifatSectors, 1u);
  l = TargetOf(236 * 127 - 1);
  EXPECT_EQ(l.FatSectors, 237u);
  EXPECT_EQ(l.DifatSectors, 2u);
}

}  // namespace
}  // namespace tessary
