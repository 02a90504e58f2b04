#include "gff/g2da.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "common/bytes.h"
#include "common/error.h"
#include "gff/column_names.h"
#include "gff/show_error.h"
#include "gff_builder.h"
#include "support/show_error_capture.h"
#include "support/table_rows.h"
#include "support/test_text.h"
#include "table/cell_table.h"
#include "text/number_text.h"
#include "text/utf16.h"

namespace tessary {
namespace {

using test::GffBuilder;
using testing::ErrorCapture;
using testing::FillRows;
using testing::FirstDifference;

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> out;
  std::istringstream in(text);
  std::string byte;
  while (in >> byte) out.push_back(static_cast<uint8_t>(std::stoul(byte, nullptr, 16)));
  return out;
}

class TempDir {
 public:
  TempDir() {
    Path = std::filesystem::temp_directory_path() /
           ("tessary_g2da_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
    std::filesystem::create_directories(Path);
  }
  ~TempDir() { std::filesystem::remove_all(Path); }
  std::filesystem::path Path;

 private:
  static inline int counter_ = 0;
};

std::vector<uint8_t> ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// The file bytes of a table that fits the format.
std::vector<uint8_t> Build(const TCellTable& t) {
  std::optional<std::vector<uint8_t>> bytes = BuildGDA(t);
  EXPECT_TRUE(bytes.has_value());
  return bytes.value_or(std::vector<uint8_t>{});
}

bool LoadBytes(TCellTable& t, const std::vector<uint8_t>& bytes) {
  TMemoryGFF gff;
  if (!gff.LoadFromBytes(bytes)) return false;
  return LoadGDAFromContainer(t, gff);
}

const char kExample194[] =
    "47 46 46 20 56 34 2E 30 50 43 20 20 47 32 44 41 56 30 2E 32 03 00 00 00 94 00 00 00 "  // header
    "67 74 6F 70 02 00 00 00 4C 00 00 00 08 00 00 00 "                                      // gtop
    "63 6F 6C 6D 02 00 00 00 64 00 00 00 05 00 00 00 "                                      // colm
    "72 6F 77 73 02 00 00 00 7C 00 00 00 08 00 00 00 "                                      // rows
    "12 27 00 00 01 00 00 C0 00 00 00 00  13 27 00 00 02 00 00 C0 04 00 00 00 "
    "11 27 00 00 04 00 00 00 00 00 00 00  F7 2A 00 00 00 00 00 00 04 00 00 00 "
    "15 27 00 00 05 00 00 00 00 00 00 00  16 27 00 00 0E 00 00 00 04 00 00 00 "
    "08 00 00 00 16 00 00 00 02 00 00 00 36 C9 FB 66 01 66 A1 9C B4 00 "  // data: lists, columns
    "01 00 00 00 01 00 00 00 22 00 00 00 "                                // R, row record
    "04 00 00 00 61 00 62 00 63 00 00 00";                                // string "abc"

TEST(G2DAWriter, WorkedExampleOf194Bytes) {
  TCellTable t;
  FillRows(t, {{u"ID", u"Label"}, {u"int", u"string"}, {u"1", u"abc"}});
  const std::vector<uint8_t> expected = Hex(kExample194);
  ASSERT_EQ(expected.size(), 194u);
  const std::vector<uint8_t> got = Build(t);
  EXPECT_EQ(FirstDifference(got, expected), -1);

  TCellTable back;
  ASSERT_TRUE(LoadBytes(back, expected));
  EXPECT_EQ(back.ColCount(), 2);
  EXPECT_EQ(back.RowCount(), 3);
  EXPECT_EQ(back.Cells(0, 0), u"ID");
  EXPECT_EQ(back.Cells(1, 0), u"Label");
  EXPECT_EQ(back.Cells(1, 1), u"string");
  EXPECT_EQ(back.Cells(0, 2), u"1");
  EXPECT_EQ(back.Cells(1, 2), u"abc");
}

TEST(G2DAWriter, FreshTableOf161Bytes) {
  TCellTable t;
  FillRows(t, {{u"ID"}, {u"int"}, {u""}});
  const std::vector<uint8_t> got = Build(t);
  ASSERT_EQ(got.size(), 161u);
  EXPECT_EQ(got[24], 136);  // DataOffset
  const std::vector<uint8_t> data(got.begin() + 136, got.end());
  EXPECT_EQ(
      FirstDifference(
          data, Hex("08 00 00 00 11 00 00 00 01 00 00 00 36 C9 FB 66 01 01 00 00 00 00 00 00 00")),
      -1);
}

TEST(G2DAWriter, ValuesByColumnType) {
  TCellTable t;
  FillRows(t, {{u"$1234ABCD", u"", u"b", u"f", u"s", u"r"},
               {u"INT", u"Int", u"bool", u"Float", u" int", u"resource"},
               {u"$FF", u"12.0", u"2", u"1,5", u"abc", u"abc"},
               {u"4294967295", u"-5", u"true", u"1e39", u"ABC", u""},
               {u"", u"x", u"-1", u"1.5", u"abc", u"abc"}});
  const std::vector<uint8_t> bytes = Build(t);
  TCellTable back;
  ASSERT_TRUE(LoadBytes(back, bytes));
  EXPECT_EQ(back.Cells(0, 0), u"$1234ABCD");
  EXPECT_EQ(back.Cells(1, 0), u"");
  EXPECT_EQ(back.Cells(0, 1), u"int");
  EXPECT_EQ(back.Cells(1, 1), u"int");
  EXPECT_EQ(back.Cells(3, 1), u"float");
  EXPECT_EQ(back.Cells(4, 1), u"string");  // a leading blank makes it a string column
  EXPECT_EQ(back.Cells(5, 1), u"resource");
  const std::vector<std::vector<std::u16string>> expected = {
      {u"255", u"0", u"1", u"0", u"abc", u"abc"},
      {u"0", u"-5", u"0", u"0", u"ABC", u""},
      {u"0", u"0", u"1", u"1.5", u"abc", u"abc"}};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 6; ++c)
      EXPECT_EQ(back.Cells(c, r + 2), expected[r][c]) << c << "," << r + 2;
  }
  // abc is stored once; ABC gets its own entry: the file ends with the two
  // strings only.
  const std::vector<uint8_t> tail(bytes.end() - 24, bytes.end());
  EXPECT_EQ(
      FirstDifference(
          tail, Hex("04 00 00 00 61 00 62 00 63 00 00 00 04 00 00 00 41 00 42 00 43 00 00 00")),
      -1);
}

TEST(G2DAWriter, TablesWithoutDataRows) {
  for (int rows : {1, 2}) {
    TCellTable t;
    t.SetColCount(2);
    t.SetCells(0, 0, u"ID");
    t.SetCells(0, 1, u"int");
    t.SetCells(1, 1, u"string");
    t.SetRowCount(rows);  // row 1 may lie outside the extent: it is still read
    const std::vector<uint8_t> bytes = Build(t);
    ASSERT_EQ(bytes.size(), 148u + 4 + 4 + 4 + 10 + 4);
    TCellTable back;
    ASSERT_TRUE(LoadBytes(back, bytes));
    EXPECT_EQ(back.RowCount(), 2);
    EXPECT_EQ(back.Cells(1, 1), u"string");
  }
}

// Every position the writer puts in a file points where the part lies: the
// data area after the field tables, the lists in it, the strings right
// after the last row record, the file's end after the last string.
TEST(G2DAWriter, PositionsInTheFileAreWhereThePartsLie) {
  const std::u16string types[] = {u"int", u"string", u"float", u"bool", u"resource"};
  for (uint32_t cols = 1; cols <= 5; ++cols) {
    for (uint32_t rows = 0; rows <= 3; ++rows) {
      TCellTable t;
      t.SetColCount(static_cast<int32_t>(cols));
      t.SetRowCount(static_cast<int32_t>(rows + 2));
      uint32_t rowSize = 0;
      for (uint32_t c = 0; c < cols; ++c) {
        t.SetCells(static_cast<int32_t>(c), 1, types[c]);
        rowSize += types[c] == u"bool" ? 1 : 4;
        for (uint32_t r = 0; r < rows; ++r) t.SetCells(static_cast<int32_t>(c), r + 2, u"7");
      }
      const std::vector<uint8_t> file = Build(t);
      const uint32_t dataOffset = GetU32(&file[24]);
      EXPECT_EQ(dataOffset, 28 + 3 * 16 + 12 * (4 + cols));
      EXPECT_EQ(GetU32(&file[28 + 8]), 76u);  // gtop's fields after the definitions
      EXPECT_EQ(GetU32(&file[44 + 8]), 76u + 24);
      EXPECT_EQ(GetU32(&file[60 + 8]), 76u + 48);
      const uint32_t columnList = GetU32(&file[dataOffset]);
      const uint32_t rowList = GetU32(&file[dataOffset + 4]);
      EXPECT_EQ(columnList, 8u);
      EXPECT_EQ(rowList, columnList + 4 + 5 * cols);
      EXPECT_EQ(GetU32(&file[dataOffset + rowList]), rows);
      const uint64_t rowsEnd = dataOffset + rowList + 4 + uint64_t{rows} * rowSize;
      // With a string column the one string "7" follows the rows: its
      // length word, two units with the terminator.
      const bool strings = cols >= 2 && rows > 0;
      EXPECT_EQ(file.size(), rowsEnd + (strings ? 4 + 4 : 0)) << cols << " x " << rows;
      if (strings) {
        EXPECT_EQ(GetU32(&file[dataOffset + rowList + 4 + 4]) + dataOffset, rowsEnd);
      }
    }
  }
}

// Every column type with random values: saving and reading gives back
// every text (floats as their 15-digit form), and saving again gives the
// same bytes.
TEST(G2DARoundTrip, GeneratedTablesOfEveryType) {
  std::mt19937 rng(12345);
  const std::vector<std::u16string> types = {u"int", u"float", u"bool", u"string", u"resource"};
  TCellTable t;
  const int cols = 12;
  const int rows = 300;
  t.SetColCount(cols);
  t.SetRowCount(rows + 2);
  for (int c = 0; c < cols; ++c) {
    t.SetCells(
        c, 0, c % 3 == 0 ? HashToName(rng()) : std::u16string(KnownColumns[1 + rng() % 1270].Name));
    t.SetCells(c, 1, types[static_cast<size_t>(c) % types.size()]);
  }
  for (int r = 2; r < rows + 2; ++r) {
    for (int c = 0; c < cols; ++c) {
      std::u16string v;
      switch (c % 5) {
        case 0:
          v = FormatInteger(static_cast<int32_t>(rng()));
          break;
        case 1:
          v = FormatReal(std::bit_cast<float>(
              static_cast<uint32_t>((rng() & 0x7F7FFFFFu) | (rng() & 0x80000000u))));
          break;
        case 2:
          v = rng() % 2 ? u"1" : u"0";
          break;
        default:
          if (rng() % 5 != 0) {
            for (int k = 0, n = static_cast<int>(rng() % 12); k < n; ++k)
              v += static_cast<char16_t>(0x20 + rng() % 0x3000);
          }
          if (rng() % 3 == 0) v = u"repeat";
      }
      t.SetCells(c, r, v);
    }
  }
  const std::vector<uint8_t> first = Build(t);
  TCellTable back;
  ASSERT_TRUE(LoadBytes(back, first));
  ASSERT_EQ(back.ColCount(), cols);
  ASSERT_EQ(back.RowCount(), rows + 2);
  for (int r = 0; r < rows + 2; ++r) {
    for (int c = 0; c < cols; ++c) ASSERT_EQ(back.Cells(c, r), t.Cells(c, r)) << c << "," << r;
  }
  EXPECT_EQ(FirstDifference(Build(back), first), -1);
}

// A hand-made table head for the reader's refusals.
GffBuilder TableHead() {
  GffBuilder b;
  b.Structs = {{"gtop", {{10002, 1, 0xC000, 0}, {10003, 2, 0xC000, 4}}, 8},
               {"colm", {{10001, 4, 0, 0}, {10999, 0, 0, 4}}, 5},
               {"rows", {{10005, 5, 0, 0}, {10006, 14, 0, 4}}, 8}};
  b.U32(8);
  b.U32(22);
  b.U32(2);
  b.U32(0x66FBC936);
  b.U8(1);
  b.U32(0xB49CA166);
  b.U8(0);
  b.U32(1);
  b.U32(7);
  b.U32(34);
  b.U32(4);
  for (char16_t c : std::u16string(u"abc")) b.U16(c);
  b.U16(0);
  return b;
}

TEST(G2DAReader, RefusesSilentlyAndLeavesTheTable) {
  auto expectRefused = [](GffBuilder b, const char* why) {
    TCellTable t;
    FillRows(t, {{u"keep"}, {u"me"}, {u"x"}});
    ErrorCapture errors;
    EXPECT_FALSE(LoadBytes(t, b.Bytes())) << why;
    EXPECT_TRUE(errors.Messages.empty()) << why;
    EXPECT_EQ(t.ColCount(), 1) << why;
    EXPECT_EQ(t.Cells(0, 0), u"keep") << why;
  };
  ASSERT_TRUE([] {
    TCellTable t;
    return LoadBytes(t, TableHead().Bytes());
  }());
  GffBuilder b = TableHead();
  std::swap(b.Structs[0].Tag, b.Structs[1].Tag);
  expectRefused(b, "gtop is struct 1");
  b = TableHead();
  b.Structs[1].Fields[0].TypeId = 5;
  expectRefused(b, "hash field of type 5");
  b = TableHead();
  b.Structs[1].Fields[0].Flags = 1;
  expectRefused(b, "hash field with a flag");
  b = TableHead();
  b.Structs[1].Fields[1].TypeId = 4;
  expectRefused(b, "type field of type 4");
  b = TableHead();
  b.Structs[1].Size = 4;
  b.Structs[1].Fields[1].Offset = 4;
  expectRefused(b, "colm element too short for the type byte");
  b = TableHead();
  b.Structs[1].Fields[0].Offset = 3;
  expectRefused(b, "colm element too short for the hash");
  b = TableHead();
  b.Structs[0].Fields[0].Flags = 0x8000;
  expectRefused(b, "column list without the struct flag");
  b = TableHead();
  b.Structs[1].Tag = "cols";
  expectRefused(b, "column list of another struct");
}

TEST(G2DAReader, RowPartStopsWhereItCannotGoOn) {
  GffBuilder b = TableHead();
  b.Structs[2].Fields[1].Label = 10007;  // 10005 then 10007: only column 0
  TCellTable t;
  FillRows(t, {{u"a", u"b"}, {u"c", u"d"}, {u"old0", u"old1"}});
  ASSERT_TRUE(LoadBytes(t, b.Bytes()));
  EXPECT_EQ(t.Cells(0, 2), u"7");
  EXPECT_EQ(t.Cells(1, 2), u"old1");

  b = TableHead();
  b.Structs[0].Fields[1].Label = 10004;  // no row list at all
  TCellTable noRows;
  ASSERT_TRUE(LoadBytes(noRows, b.Bytes()));
  EXPECT_EQ(noRows.ColCount(), 2);
  EXPECT_EQ(noRows.Cells(1, 0), u"Label");

  b = TableHead();
  std::swap(b.Structs[2].Fields[0], b.Structs[2].Fields[1]);  // any order in the field table
  TCellTable swapped;
  ASSERT_TRUE(LoadBytes(swapped, b.Bytes()));
  EXPECT_EQ(swapped.Cells(0, 2), u"7");
  EXPECT_EQ(swapped.Cells(1, 2), u"abc");
}

TEST(G2DAReader, BadValuesBecomeErrorTexts) {
  GffBuilder b = TableHead();
  b.Data[12 + 4] = 7;                 // column type byte 7
  b.Structs[2].Fields[0].TypeId = 4;  // value type 4
  b.Structs[2].Fields[1].Offset = 6;  // a string reference running past the element
  TCellTable t;
  ASSERT_TRUE(LoadBytes(t, b.Bytes()));
  EXPECT_EQ(t.Cells(0, 1), u"*ERROR: UNKNOWN TYPE*");
  EXPECT_EQ(t.Cells(0, 2), u"*GDA FILE ERROR: UNKNOWN TYPE*");
  EXPECT_EQ(t.Cells(1, 2), u"*GDA FILE ERROR: CORRUPTED DATA*");

  auto stringCell = [](uint32_t offset, uint32_t length, bool terminated) {
    GffBuilder s = TableHead();
    s.Data.resize(34);
    s.Data[30] = static_cast<uint8_t>(offset);
    s.Data[31] = static_cast<uint8_t>(offset >> 8);
    s.Data[32] = static_cast<uint8_t>(offset >> 16);
    s.Data[33] = static_cast<uint8_t>(offset >> 24);
    s.U32(length);
    s.U16(u'x');
    if (terminated) s.U16(0);
    TCellTable t;
    EXPECT_TRUE(LoadBytes(t, s.Bytes()));
    return std::u16string(t.Cells(1, 2));
  };
  EXPECT_EQ(stringCell(34, 2, true), u"x");
  EXPECT_EQ(stringCell(34, 2, false), u"*GDA FILE ERROR: CORRUPTED DATA*");
  EXPECT_EQ(stringCell(34, 1, false), u"x");  // the length word bounds the string
  EXPECT_EQ(stringCell(34, 0, true), u"");
  EXPECT_EQ(stringCell(34, 0x80000000u, true), u"");  // negative length
  EXPECT_EQ(stringCell(0xFFFFFFFF, 2, true), u"");
  EXPECT_EQ(stringCell(37, 2, true), u"*GDA FILE ERROR: CORRUPTED DATA*");
  EXPECT_EQ(stringCell(0xFFFFFFF0, 2, true), u"*GDA FILE ERROR: CORRUPTED DATA*");
}

TEST(G2DAReader, NumbersAndNames) {
  TCellTable t;
  FillRows(
      t,
      {{u"a", u"MAXSPEED", u"c"}, {u"float", u"float", u"int"}, {u"0.1", u"1.5", u"-2147483648"}});
  TCellTable back;
  ASSERT_TRUE(LoadBytes(back, Build(t)));
  EXPECT_EQ(back.Cells(0, 2), u"0.100000001490116");
  EXPECT_EQ(back.Cells(1, 2), u"1.5");
  EXPECT_EQ(back.Cells(2, 2), u"-2147483648");
  EXPECT_EQ(back.Cells(1, 0), u"MaxSpeed");
  EXPECT_EQ(back.Cells(0, 0), HashToName(NameToHash(u"a")));
}

// A table of `cols` string columns whose cells refer, row by row, to the
// given offsets into the string area `area` (NullOffset stays as it is).
std::vector<uint8_t> StringColumns(uint32_t cols, const std::vector<uint32_t>& refs,
                                   const std::vector<uint8_t>& area) {
  GffBuilder b;
  std::vector<test::FieldDef> fields;
  for (uint32_t c = 0; c < cols; ++c) fields.push_back({10005 + c, 14, 0, 4 * c});
  b.Structs = {{"gtop", {{10002, 1, 0xC000, 0}, {10003, 2, 0xC000, 4}}, 8},
               {"colm", {{10001, 4, 0, 0}, {10999, 0, 0, 4}}, 5},
               {"rows", fields, 4 * cols}};
  b.U32(8);
  b.U32(12 + 5 * cols);
  b.U32(cols);
  for (uint32_t c = 0; c < cols; ++c) {
    b.U32(c);
    b.U8(0);
  }
  const auto rows = static_cast<uint32_t>(refs.size() / cols);
  b.U32(rows);
  const uint32_t start = 16 + 5 * cols + 4 * cols * rows;
  for (uint32_t r : refs) b.U32(r == NullOffset ? r : start + r);
  b.Data.insert(b.Data.end(), area.begin(), area.end());
  return b.Bytes();
}

// A string of the area: its length word, then its code units.
void PutString(std::vector<uint8_t>& area, uint32_t length, std::u16string_view units) {
  for (int i = 0; i < 4; ++i) area.push_back(static_cast<uint8_t>(length >> (8 * i)));
  for (char16_t u : units) {
    area.push_back(static_cast<uint8_t>(u));
    area.push_back(static_cast<uint8_t>(u >> 8));
  }
}

bool LoadCounted(TCellTable& t, const std::vector<uint8_t>& bytes, TGDALoadCounts& counts) {
  TMemoryGFF gff;
  return gff.LoadFromBytes(bytes).Ok && LoadGDAFromContainer(t, gff, &counts);
}

// Another reader's test table: length words count the code units without
// a terminating zero, and the last string ends with the file.
TEST(G2DAReader, LengthWordBoundsTheString) {
  std::vector<uint8_t> area;
  PutString(area, 6, u"Foobar");
  PutString(area, 7, u"foo.bar");
  PutString(area, 7, u"qux.qux");
  TCellTable t;
  ASSERT_TRUE(LoadBytes(t, StringColumns(1, {0, 16, 34}, area)));
  EXPECT_EQ(t.Cells(0, 2), u"Foobar");
  EXPECT_EQ(t.Cells(0, 3), u"foo.bar");
  EXPECT_EQ(t.Cells(0, 4), u"qux.qux");
}

// Many cells referring to one long string hold one decoded copy of it,
// which they all share.
TEST(G2DAReader, CellsShareTheTextOfOneString) {
  const std::u16string text(5000, u'x');
  std::vector<uint8_t> area;
  PutString(area, 5001, text + u'\0');
  TCellTable t;
  TGDALoadCounts counts;
  ASSERT_TRUE(LoadCounted(t, StringColumns(1, std::vector<uint32_t>(1500, 0), area), counts));
  EXPECT_EQ(t.RowCount(), 1502);
  EXPECT_EQ(t.Cells(0, 2), text);
  EXPECT_EQ(t.Cells(0, 2).data(), t.Cells(0, 1501).data());
  EXPECT_EQ(counts.TextBytesHeld, 10000u);
  EXPECT_EQ(counts.UnitsScanned, 5001u);  // its end found once
}

// Saving looks a text that many cells share up by the text itself, once:
// 100,000 cells showing one string of 200,000 characters hash it once and
// compare it never, and the file stores it once.
TEST(G2DAWriter, HashesASharedTextOnce) {
  const std::u16string text(200000, u'x');
  std::vector<uint8_t> area;
  PutString(area, 200001, text + u'\0');
  TCellTable t;
  ASSERT_TRUE(LoadBytes(t, StringColumns(1, std::vector<uint32_t>(100000, 0), area)));
  TGDASaveCounts counts;
  const std::optional<std::vector<uint8_t>> bytes = BuildGDA(t, &counts);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(counts.TextsHashed, 1u);
  EXPECT_EQ(counts.UnitsHashed, 200000u);
  EXPECT_EQ(counts.TextsCompared, 0u);
  EXPECT_EQ(bytes->size(), 136u + 21 + 4 * 100000 + 4 + 2 * 200001);
  // Equal texts that are not shared are each hashed once and compared once
  // with the text stored first.
  TCellTable copies;
  copies.SetCells(0, 1, u"string");
  copies.SetRowCount(5);
  for (int32_t r = 2; r < 5; ++r) copies.SetCells(0, r, u"a copy each");
  ASSERT_TRUE(BuildGDA(copies, &counts));
  EXPECT_EQ(counts.TextsHashed, 3u);
  EXPECT_EQ(counts.TextsCompared, 2u);
}

// Strings without a terminator, referred to from many cells at the same
// and at different offsets: every code unit is examined about once.
TEST(G2DAReader, StringEndsAreFoundOnce) {
  const uint32_t units = 20000;
  std::vector<uint8_t> area;
  PutString(area, 0x7FFFFFFF, std::u16string(units, u'y'));
  std::vector<uint32_t> refs(1000, 0);
  for (uint32_t i = 0; i < 1000; ++i) refs.push_back(4 + 2 * i);  // inside the string
  TCellTable t;
  TGDALoadCounts counts;
  ASSERT_TRUE(LoadCounted(t, StringColumns(1, refs, area), counts));
  EXPECT_EQ(t.Cells(0, 2), kCorruptedDataText);
  EXPECT_EQ(t.Cells(0, 2001), kCorruptedDataText);
  EXPECT_LT(counts.UnitsScanned, units + 10 * refs.size());
  EXPECT_EQ(counts.TextBytesHeld, 0u);
}

// Strings inside one long string overlap; decoded one by one they would
// need far more memory than the file has bytes. Reading stops before the
// column that would pass the text budget.
TEST(G2DAReader, TextBudgetStopsBeforeAColumn) {
  const uint32_t units = 20000;
  std::vector<uint8_t> area;
  PutString(area, 4, std::u16string(u"abc\0", 4));
  PutString(area, units + 1, std::u16string(units, u'A') + u'\0');
  std::vector<uint32_t> refs;
  for (uint32_t k = 0; k < 10000; ++k) {
    refs.push_back(0);
    refs.push_back(12 + 2 * k);  // 10,000 suffixes of the long string
  }
  const std::vector<uint8_t> file = StringColumns(2, refs, area);
  TCellTable t;
  t.SetCells(1, 2, u"before");
  TGDALoadCounts counts;
  ASSERT_TRUE(LoadCounted(t, file, counts));
  EXPECT_EQ(t.Cells(0, 10001), u"abc");
  EXPECT_EQ(t.Cells(1, 2), u"before");
  EXPECT_LE(counts.TextBytesHeld, 2 * file.size() + (64u << 20));
}

TEST(G2DAReader, ZeroSizeRowsAndEmptyColumnLists) {
  GffBuilder b = TableHead();
  b.Structs[2].Size = 0;
  b.Data[22] = 0xFF;  // a huge count of empty row elements
  b.Data[23] = 0xFF;
  b.Data[24] = 0xFF;
  b.Data[25] = 0x7F;
  TCellTable t;
  ASSERT_TRUE(LoadBytes(t, b.Bytes()));
  EXPECT_EQ(t.ColCount(), 2);
  EXPECT_LE(t.RowCount(), 3);

  GffBuilder e = TableHead();
  e.Data[8] = 0;  // no columns
  TCellTable empty;
  FillRows(empty, {{u"keep"}, {u"type"}, {u"v"}});
  ASSERT_TRUE(LoadBytes(empty, e.Bytes()));
  EXPECT_EQ(empty.ColCount(), 1);
  EXPECT_EQ(empty.Cells(0, 0), u"keep");
}

// A file whose value fields overlap describes far more cells than it has
// bytes: reading stops at a column, as it stops at a missing one.
TEST(G2DAReader, OverlappingFieldsCannotBlowUpTheTable) {
  GffBuilder b;
  std::vector<test::FieldDef> fields;
  for (uint32_t c = 0; c < 400; ++c) fields.push_back({10005 + c, 0, 0, 0});
  b.Structs = {{"gtop", {{10002, 1, 0xC000, 0}, {10003, 2, 0xC000, 4}}, 8},
               {"colm", {{10001, 4, 0, 0}, {10999, 0, 0, 4}}, 5},
               {"rows", fields, 1}};
  b.U32(8);
  b.U32(17);
  b.U32(1);
  b.U32(0x66FBC936);
  b.U8(3);
  b.U32(1000);  // 1000 one-byte rows, each read by all 400 fields
  for (int k = 0; k < 1000; ++k) b.U8(static_cast<uint8_t>(k));
  TCellTable t;
  ASSERT_TRUE(LoadBytes(t, b.Bytes()));
  EXPECT_EQ(t.RowCount(), 1002);
  EXPECT_EQ(t.Cells(0, 1001), u"231");   // 999 mod 256
  EXPECT_EQ(t.Cells(10, 1001), u"231");  // overlapping fields read the same byte
  EXPECT_EQ(t.Cells(399, 2), u"");       // not reached
  EXPECT_LT(t.StoredCellCount(), 100000u);

  // Elements of size 0: a few rows still get their error texts; a count
  // that the file's size cannot justify gives no rows.
  b.Structs[2].Size = 0;
  b.Structs[2].Fields.resize(1);
  b.Data.resize(17);
  b.U32(3);
  TCellTable few;
  ASSERT_TRUE(LoadBytes(few, b.Bytes()));
  EXPECT_EQ(few.RowCount(), 5);
  EXPECT_EQ(few.Cells(0, 4), u"*GDA FILE ERROR: CORRUPTED DATA*");
  b.Data.resize(17);
  b.U32(200000);
  TCellTable many;
  ASSERT_TRUE(LoadBytes(many, b.Bytes()));
  EXPECT_EQ(many.ColCount(), 1);
  EXPECT_EQ(many.RowCount(), 3);  // untouched
  EXPECT_EQ(many.Cells(0, 0), u"ID");
}

// Raw float bits in a file survive reading and saving: the 15-digit text
// always reads back to the same float. Zero of either sign shows as 0 and is
// saved as +0; NaN (of any sign and payload) and the infinities show as NAN,
// INF and -INF and are saved as the quiet NaN and the infinities.
TEST(G2DARoundTrip, StoredFloatBitsSurvive) {
  std::vector<uint32_t> bits = {0x00000001, 0x00000002, 0x007FFFFF, 0x00800000, 0x3DCCCCCD,
                                0x3F800000, 0x45122F35, 0x70FC3681, 0x7F7FFFFF, 0x80000001,
                                0xFF7FFFFF, 0x4B000001, 0x5A0E1BCA, 0x26901D7D};
  std::mt19937 rng(99);
  while (bits.size() < 3000) {
    const uint32_t v = static_cast<uint32_t>(rng());
    if ((v & 0x7F800000u) != 0x7F800000u && (v & 0x7FFFFFFFu) != 0) bits.push_back(v);
  }
  const std::vector<uint32_t> special = {0x80000000, 0xFFC00001, 0x7F800000, 0xFF800000};
  const std::vector<uint32_t> savedAs = {0, 0x7FC00000, 0x7F800000, 0xFF800000};
  GffBuilder b;
  b.Structs = {{"gtop", {{10002, 1, 0xC000, 0}, {10003, 2, 0xC000, 4}}, 8},
               {"colm", {{10001, 4, 0, 0}, {10999, 0, 0, 4}}, 5},
               {"rows", {{10005, 8, 0, 0}}, 4}};
  b.U32(8);
  b.U32(17);
  b.U32(1);
  b.U32(0x5A0E1BCA);
  b.U8(2);
  b.U32(static_cast<uint32_t>(bits.size() + special.size()));
  for (uint32_t v : bits) b.U32(v);
  for (uint32_t v : special) b.U32(v);
  TCellTable t;
  ASSERT_TRUE(LoadBytes(t, b.Bytes()));
  const std::vector<uint8_t> saved = Build(t);
  const size_t rowsAt = 136 + 16 + 5;
  ASSERT_EQ(saved.size(), rowsAt + 4 * (bits.size() + special.size()));
  for (size_t k = 0; k < bits.size(); ++k) {
    ASSERT_EQ(GetU32(saved.data() + rowsAt + 4 * k), bits[k])
        << "row " << k << " text " << ToUtf8(t.Cells(0, static_cast<int32_t>(k + 2)));
  }
  for (size_t k = 0; k < special.size(); ++k)
    EXPECT_EQ(GetU32(saved.data() + rowsAt + 4 * (bits.size() + k)), savedAs[k]) << k;
}

// The real tables made by the game's own tools: read, saved by our writer
// in its own layout, and read back with the same texts.
TEST(G2DAFiles, TablesMadeByOtherTools) {
  const std::filesystem::path dir = std::filesystem::path(TESSARY_SHARED_TESTDATA) / "gda";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no shared test data";
  TempDir tmp;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().filename().string());
    ErrorCapture errors;
    TCellTable first;
    ASSERT_TRUE(LoadGDA(first, entry.path()));
    EXPECT_TRUE(errors.Messages.empty());
    EXPECT_GT(first.ColCount(), 5);
    EXPECT_GE(first.RowCount(), 3);
    EXPECT_EQ(first.Cells(0, 0), u"ID");
    EXPECT_EQ(first.Cells(1, 0), u"Label");
    for (int32_t c = 0; c < first.ColCount(); ++c) {
      for (int32_t r = 1; r < first.RowCount(); ++r) {
        EXPECT_EQ(first.Cells(c, r).find(u"ERROR"), std::u16string::npos) << c << "," << r;
      }
    }
    const auto saved = tmp.Path / entry.path().filename();
    ASSERT_TRUE(SaveGDA(first, saved));
    TCellTable back;
    ASSERT_TRUE(LoadGDA(back, saved));
    ASSERT_EQ(back.ColCount(), first.ColCount());
    ASSERT_EQ(back.RowCount(), first.RowCount());
    for (int32_t c = 0; c < first.ColCount(); ++c) {
      for (int32_t r = 0; r < first.RowCount(); ++r)
        EXPECT_EQ(back.Cells(c, r), first.Cells(c, r)) << c << "," << r;
    }
    ++files;
  }
  EXPECT_EQ(files, 4);
}

TEST(G2DAFiles, ItemPropertyTableContent) {
  const std::filesystem::path file =
      std::filesystem::path(TESSARY_SHARED_TESTDATA) / "gda" / "itemprps_arc.GDA";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "no shared test data";
  TCellTable t;
  ASSERT_TRUE(LoadGDA(t, file));
  EXPECT_EQ(t.ColCount(), 18);
  EXPECT_EQ(t.RowCount(), 3);
  EXPECT_EQ(t.Cells(9, 0), u"ConditionScript");
  EXPECT_EQ(t.Cells(9, 1), u"resource");
  EXPECT_EQ(t.Cells(7, 1), u"float");
  EXPECT_EQ(t.Cells(0, 2), u"1930001");
  EXPECT_EQ(t.Cells(1, 2), u"Required: Female");
  EXPECT_EQ(t.Cells(9, 2), u"arc_require_female");
  EXPECT_EQ(t.Cells(11, 2), u"");
  EXPECT_EQ(t.Cells(14, 2), u"1");
}

TEST(G2DAFiles, SaveLoadAndFailedSaves) {
  TempDir dir;
  TCellTable t;
  FillRows(t, {{u"ID", u"Label"}, {u"int", u"string"}, {u"1", u"abc"}});
  const auto path = dir.Path / "table.gda";
  ASSERT_TRUE(SaveGDA(t, path));
  EXPECT_EQ(ReadFile(path).size(), 194u);
  TCellTable back;
  ASSERT_TRUE(LoadGDA(back, path));
  EXPECT_EQ(back.Cells(1, 2), u"abc");

  // A file that cannot be created reaches the caller as an exception, with
  // the message, the path and the reason.
  const auto nowhere = dir.Path / "no" / "such" / "dir.gda";
  try {
    SaveGDA(t, nowhere);
    ADD_FAILURE() << "no exception";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()),
              "File cannot be written.\n" + nowhere.string() + ": No such file or directory");
  }

  // A write that fails shows one box and leaves the old file as it was.
  TCellTable big;
  big.SetColCount(1);
  big.SetRowCount(20000);
  big.SetCells(0, 1, u"string");
  for (int r = 2; r < 20000; ++r) big.SetCells(0, r, u"row text " + FormatInteger(r));
  ErrorCapture errors;
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  rlimit small = old;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const bool saved = SaveGDA(big, path);
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(saved);
  EXPECT_EQ(errors.Messages, std::vector<std::string>{"File cannot be written.\n" + path.string() +
                                                      ": " + std::strerror(EFBIG)});
  EXPECT_EQ(FirstDifference(ReadFile(path), Hex(kExample194)), -1);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path), {}),
            1);  // no temporary left
}

// 1100 int columns of 1048558 rows need more than 4 GiB: the format's
// positions are 32-bit, so the save is refused before anything is built.
TEST(G2DAFiles, TablesBeyondTheFormatsPositionsAreRefused) {
  TempDir dir;
  const auto path = dir.Path / "table.gda";
  TCellTable small;
  FillRows(small, {{u"ID"}, {u"int"}, {u"1"}});
  ASSERT_TRUE(SaveGDA(small, path));
  const std::vector<uint8_t> before = ReadFile(path);

  TCellTable huge;
  huge.SetColCount(1100);
  huge.SetRowCount(TCellTable::kMaxCount);
  for (int32_t c = 0; c < 1100; ++c) huge.SetCells(c, 1, u"int");
  EXPECT_FALSE(BuildGDA(huge).has_value());
  ErrorCapture errors;
  EXPECT_FALSE(SaveGDA(huge, path));
  EXPECT_EQ(errors.Messages, std::vector<std::string>{"File cannot be written."});
  EXPECT_EQ(FirstDifference(ReadFile(path), before), -1);
}

}  // namespace
}  // namespace tessary
