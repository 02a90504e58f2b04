#include "gff/gff_container.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "gff/show_error.h"
#include "gff_builder.h"
#include "support/show_error_capture.h"

namespace tessary {
namespace {

using test::GffBuilder;
using testing::ErrorCapture;

constexpr char kCorrupted[] = "File is corrupted.";
constexpr char kUnrecognized[] = "Unrecognized file format.";

std::string LoadMessage(const std::vector<uint8_t>& bytes, TMemoryGFF* out = nullptr) {
  TMemoryGFF local;
  TMemoryGFF& gff = out ? *out : local;
  return gff.LoadFromBytes(bytes).Message;
}

// A root struct with two list fields and one element struct.
GffBuilder TwoLists(uint32_t elementSize) {
  GffBuilder b;
  b.Structs = {{"gtop", {{10002, 1, 0xC000, 0}, {10003, 1, 0xC000, 4}}, 8},
               {"elem", {}, elementSize}};
  return b;
}

TEST(GffContainer, HeaderChecks) {
  GffBuilder b;
  b.Structs = {{"gtop", {}, 0}};
  EXPECT_EQ(LoadMessage(b.Bytes()), "");
  b.Magic = "gff ";
  EXPECT_EQ(LoadMessage(b.Bytes()), kUnrecognized);
  b.Magic = std::string("GFF\0", 4);
  EXPECT_EQ(LoadMessage(b.Bytes()), kUnrecognized);
  b.Magic = "GFF ";
  b.FileType = "G2DB";
  EXPECT_EQ(LoadMessage(b.Bytes()), kUnrecognized);
  b.FileType = "G2DA";
  b.Version = "V9.9";
  b.Platform = "XBOX";
  b.FileVersion = "abcd";
  EXPECT_EQ(LoadMessage(b.Bytes()), "");
  std::vector<uint8_t> shortFile = b.Bytes();
  shortFile.resize(27);
  EXPECT_EQ(LoadMessage(shortFile), kCorrupted);
  EXPECT_EQ(LoadMessage({}), kCorrupted);
}

TEST(GffContainer, EmptyAndBoundaryFiles) {
  GffBuilder b;
  TMemoryGFF gff;
  EXPECT_EQ(LoadMessage(b.Bytes(), &gff), "");
  EXPECT_TRUE(gff.StructArray.empty());
  EXPECT_EQ(gff.FindStructByTag("gtop"), -1);
  EXPECT_TRUE(gff.RawDataBlock().empty());

  b.Structs = {{"gtop", {}, 0}};
  b.StructCountOverride = 0x7FFFFFFF;
  EXPECT_EQ(LoadMessage(b.Bytes()), kCorrupted);
  b.StructCountOverride = 0xFFFFFFFF;
  EXPECT_EQ(LoadMessage(b.Bytes()), kCorrupted);
  b.StructCountOverride = 2;
  EXPECT_EQ(LoadMessage(b.Bytes()), kCorrupted);
  b.StructCountOverride = -1;
  b.DataOffsetOverride = 1000;
  EXPECT_EQ(LoadMessage(b.Bytes()), kCorrupted);
  b.DataOffsetOverride = 44;  // exactly the file size: an empty data area
  EXPECT_EQ(LoadMessage(b.Bytes(), &gff), "");
  EXPECT_TRUE(gff.RawDataBlock().empty());
}

TEST(GffContainer, FieldTablesMustLieInTheFile) {
  GffBuilder b;
  b.Structs = {{"gtop", {{1, 0, 0, 0}, {2, 0, 0, 1}}, 8}};
  std::vector<uint8_t> bytes = b.Bytes();
  // FieldCount 2^30 at a valid offset.
  bytes[28 + 4] = 0;
  bytes[28 + 7] = 0x40;
  EXPECT_EQ(LoadMessage(bytes), kCorrupted);
  bytes = b.Bytes();
  bytes[28 + 8] = 0xF0;  // FieldOffset far beyond the end
  EXPECT_EQ(LoadMessage(bytes), kCorrupted);
}

TEST(GffContainer, ListsAreReadFromDataWordJ) {
  // Field 10002 (index 0) says Offset 4 and 10003 (index 1) says Offset 0:
  // the list references still come from words 0 and 1.
  GffBuilder b;
  b.Structs = {{"gtop", {{10002, 1, 0xC000, 4}, {10003, 1, 0xC000, 0}}, 8}, {"elem", {}, 2}};
  b.U32(8);   // word 0: first list at 8
  b.U32(14);  // word 1: second list at 14
  b.U32(1);
  b.U16(0xAAAA);
  b.U32(2);
  b.U16(0x1111);
  b.U16(0x2222);
  TMemoryGFF gff;
  ASSERT_EQ(LoadMessage(b.Bytes(), &gff), "");
  const TListData& first = gff.StructArray[0].Fields[0].ListData;
  const TListData& second = gff.StructArray[0].Fields[1].ListData;
  ASSERT_EQ(first.Count, 1u);
  ASSERT_EQ(second.Count, 2u);
  EXPECT_EQ(gff.ListElement(first, 0)[0], 0xAA);
  EXPECT_EQ(gff.ListElement(second, 1)[0], 0x22);
  EXPECT_TRUE(gff.ListElement(second, 2).empty());
}

TEST(GffContainer, ListFailuresAndCheapEmptyElements) {
  GffBuilder b = TwoLists(0);
  b.U32(8);
  b.U32(12);
  b.U32(1000000000);  // a billion elements of size 0: kept cheaply
  b.U32(0);
  TMemoryGFF gff;
  ASSERT_EQ(LoadMessage(b.Bytes(), &gff), "");
  EXPECT_EQ(gff.StructArray[0].Fields[0].ListData.Count, 1000000000u);
  EXPECT_EQ(gff.StructArray[0].Fields[1].ListData.Count, 0u);

  b.Data.clear();
  b.U32(8);
  b.U32(12);
  b.U32(0x80000000);  // 2^31 elements cannot be allocated
  b.U32(0);
  EXPECT_EQ(LoadMessage(b.Bytes()), kCorrupted);

  b = TwoLists(4);
  b.U32(8);
  b.U32(12);
  b.U32(100);  // 100 elements of 4 bytes do not fit
  b.U32(0);
  EXPECT_EQ(LoadMessage(b.Bytes()), kCorrupted);

  b = TwoLists(4);
  b.U32(8);
  b.U32(0xFFFFFFF0);  // list offset beyond the end
  b.U32(0);
  EXPECT_EQ(LoadMessage(b.Bytes()), kCorrupted);

  b = TwoLists(4);
  b.Structs[0].Fields[0].TypeId = 7;  // not a struct of the file
  b.U32(8);
  b.U32(8);
  b.U32(0);
  EXPECT_EQ(LoadMessage(b.Bytes()), kCorrupted);

  b = TwoLists(4);
  b.U32(8);  // word 1 missing: the data area ends inside it
  b.U16(0);
  EXPECT_EQ(LoadMessage(b.Bytes()), kCorrupted);
}

TEST(GffContainer, OnlyFieldsWithBothFlagsAreLists) {
  GffBuilder b;
  b.Structs = {{"gtop", {{1, 1, 0x8000, 0}, {2, 1, 0x4000, 0}, {3, 1, 0xC7FF, 0}}, 12},
               {"elem", {}, 1}};
  b.U32(0xFFFFFFFF);  // unreadable list references for the first two fields
  b.U32(0xFFFFFFFF);
  b.U32(12);
  b.U32(1);
  b.U8(9);
  TMemoryGFF gff;
  ASSERT_EQ(LoadMessage(b.Bytes(), &gff), "");
  EXPECT_TRUE(gff.StructArray[0].Fields[0].ListData.empty());
  EXPECT_TRUE(gff.StructArray[0].Fields[1].ListData.empty());
  EXPECT_EQ(gff.StructArray[0].Fields[2].ListData.Count, 1u);
}

TEST(GffContainer, LookupsAndFourCC) {
  GffBuilder b;
  b.Structs = {
      {"rows", {{5, 0, 0, 0}, {7, 0, 0, 1}, {5, 0, 0, 2}}, 3}, {"gtop", {}, 0}, {"gtop", {}, 0}};
  TMemoryGFF gff;
  ASSERT_EQ(LoadMessage(b.Bytes(), &gff), "");
  EXPECT_EQ(gff.FindStructByTag("gtop"), 1);
  EXPECT_EQ(gff.FindStructByTag("GTOP"), -1);
  EXPECT_EQ(gff.FindStructByTag("gto"), -1);
  EXPECT_EQ(gff.FindStructByTag("gtop "), -1);
  EXPECT_EQ(FindFieldByLabel(gff.StructArray[0], 5), 0);
  EXPECT_EQ(FindFieldByLabel(gff.StructArray[0], 7), 1);
  EXPECT_EQ(FindFieldByLabel(gff.StructArray[0], 6), -1);
  EXPECT_EQ(FindFieldByLabel(gff.StructArray[1], 5), -1);

  EXPECT_EQ(FourCCToStr(StrToFourCC("GFF")), "GFF ");
  EXPECT_EQ(FourCCToStr(StrToFourCC("PC")), "PC  ");
  EXPECT_EQ(FourCCToStr(StrToFourCC("")), "    ");
  EXPECT_EQ(FourCCToStr(StrToFourCC("G2DAxyz")), "G2DA");
  EXPECT_EQ(StrToFourCC("GFF "), 0x20464647u);
}

TEST(GffContainer, LoadShowsExactlyOneBox) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / "tessary_gff_container_test";
  std::filesystem::create_directories(dir);
  ErrorCapture errors;
  TMemoryGFF a;
  EXPECT_FALSE(a.Load(dir / "missing.gda"));
  TMemoryGFF b;
  EXPECT_FALSE(b.Load(dir));
  { std::ofstream(dir / "short.gda") << "GFF V4.0"; }
  TMemoryGFF c;
  EXPECT_FALSE(c.Load(dir / "short.gda"));
  { std::ofstream(dir / "other.gda") << "RIFF0000WAVEfmt 000000000000000000000"; }
  TMemoryGFF d;
  EXPECT_FALSE(d.Load(dir / "other.gda"));
  // Where the system knows why, its reason follows the message, with the path.
  const std::string cannotOpen = "File cannot be opened (Is it already in use?).\n";
  EXPECT_EQ(errors.Messages,
            (std::vector<std::string>{
                cannotOpen + (dir / "missing.gda").string() + ": No such file or directory",
                cannotOpen + dir.string() + ": Is a directory", kCorrupted, kUnrecognized}));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tessary
