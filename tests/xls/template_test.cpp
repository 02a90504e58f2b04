// The template workbook: the embedded bytes, the stored file and the
// generator agree, and the documented layout holds field by field.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "common/bytes.h"
#include "support/test_text.h"
#include "template_builder.h"
#include "xls/compound_file.h"
#include "xls/empty_sheet_template.h"

namespace tessary {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::FirstDifference;

Bytes Embedded() {
  const auto t = EmptySheetTemplate();
  return Bytes(t.begin(), t.end());
}

TEST(Template, GeneratorStoredFileAndEmbeddedBytesAgree) {
  const Bytes built = BuildEmptySheetTemplate();
  ASSERT_EQ(built.size(), 13824u);
  const Bytes embedded = Embedded();
  EXPECT_EQ(embedded, built) << "embedded bytes differ at " << FirstDifference(embedded, built)
                             << "; rebuild with the update_template target";
  std::ifstream f(std::string(TESSARY_SOURCE_DIR) + "/src/xls/empty_sheet_template.bin",
                  std::ios::binary);
  ASSERT_TRUE(f);
  const Bytes stored((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  EXPECT_EQ(stored, built) << "stored file differs at " << FirstDifference(stored, built);
}

TEST(Template, ContainerHeaderAndFat) {
  const Bytes t = Embedded();
  const uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  EXPECT_TRUE(std::equal(signature, signature + 8, t.begin()));
  EXPECT_TRUE(std::all_of(t.begin() + 8, t.begin() + 24, [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(GetU16(&t[24]), 0x003E);
  EXPECT_EQ(GetU16(&t[26]), 0x0003);
  EXPECT_EQ(GetU16(&t[28]), 0xFFFE);
  EXPECT_EQ(GetU16(&t[30]), 9);
  EXPECT_EQ(GetU16(&t[32]), 6);
  EXPECT_EQ(GetU32(&t[40]), 0u);
  EXPECT_EQ(GetU32(&t[44]), 1u);
  EXPECT_EQ(GetU32(&t[48]), 25u);
  EXPECT_EQ(GetU32(&t[56]), 4096u);
  EXPECT_EQ(GetU32(&t[60]), cfb::kEndOfChain);
  EXPECT_EQ(GetU32(&t[64]), 0u);
  EXPECT_EQ(GetU32(&t[68]), cfb::kEndOfChain);
  EXPECT_EQ(GetU32(&t[72]), 0u);
  EXPECT_EQ(GetU32(&t[76]), 24u);
  EXPECT_TRUE(std::all_of(t.begin() + 80, t.begin() + 512, [](uint8_t b) { return b == 0xFF; }));
  const uint8_t* fat = &t[512 + 24 * 512];
  for (uint32_t s = 0; s < 128; ++s) {
    uint32_t expected = cfb::kFreeSect;
    if (s < 24) expected = s % 8 == 7 ? cfb::kEndOfChain : s + 1;
    if (s == 24) expected = cfb::kFatSect;
    if (s == 25) expected = cfb::kEndOfChain;
    ASSERT_EQ(GetU32(fat + 4 * s), expected) << "FAT entry " << s;
  }
}

TEST(Template, DirectoryEntries) {
  TMemoryByteStream in(Embedded());
  TCompoundFile cf(in);
  struct Row {
    std::u16string Name;
    uint8_t Type;
    uint32_t Left, Right, Child, Start, Size;
  };
  const uint32_t none = cfb::kNoStream;
  const Row rows[] = {
      {u"Root Entry", 5, none, none, 2, cfb::kEndOfChain, 0},
      {u"Workbook", 2, none, none, none, 0, 4096},
      {u"\u0005SummaryInformation", 2, 1, 3, none, 8, 4096},
      {u"\u0005DocumentSummaryInformation", 2, none, none, none, 16, 4096},
  };
  for (const Row& r : rows) {
    const auto e = cf.FindDir(r.Name);
    ASSERT_TRUE(e);
    const uint8_t* d = e->Data.data();
    EXPECT_EQ(GetU16(d + 64), 2 * (r.Name.size() + 1));
    EXPECT_EQ(d[66], r.Type);
    EXPECT_EQ(d[67], 1) << "black";
    EXPECT_EQ(GetU32(d + 68), r.Left);
    EXPECT_EQ(GetU32(d + 72), r.Right);
    EXPECT_EQ(GetU32(d + 76), r.Child);
    EXPECT_EQ(GetU32(d + 116), r.Start);
    EXPECT_EQ(GetU32(d + 120), r.Size);
    EXPECT_EQ(GetU32(d + 124), 0u);
  }
  const uint8_t* root = cf.FindRoot().Data.data();
  const uint8_t rootClass[16] = {0x20, 0x08, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
  EXPECT_TRUE(std::equal(rootClass, rootClass + 16, root + 80));
  EXPECT_EQ(GetU64(root + 100), 0u);
  EXPECT_EQ(GetU64(root + 108), 0x01C8E78DEEB8E9C0u);
}

// Record offsets of the Workbook stream as documented.
TEST(Template, WorkbookStreamRecordOffsets) {
  const Bytes w = BuildTemplateWorkbookStream();
  ASSERT_EQ(w.size(), 4096u);
  const std::pair<uint32_t, uint16_t> expected[] = {
      {0, 0x0809},    {20, 0x00E1},   {26, 0x00C1},   {32, 0x00E2},   {36, 0x005C},
      {152, 0x0042},  {158, 0x0161},  {164, 0x01C0},  {168, 0x013D},  {174, 0x009C},
      {180, 0x0019},  {204, 0x01BC},  {210, 0x003D},  {232, 0x0040},  {238, 0x008D},
      {244, 0x0022},  {250, 0x000E},  {256, 0x01B7},  {262, 0x00DA},  {268, 0x0031},
      {388, 0x041E},  {798, 0x00E0},  {1302, 0x0293}, {1350, 0x0160}, {1356, 0x0085},
      {1374, 0x008C}, {1382, 0x01C1}, {1394, 0x00FC}, {1406, 0x00FF}, {1412, 0x0863},
      {1437, 0x000A}, {1441, 0x0809}, {1461, 0x020B}, {1481, 0x000D}, {1487, 0x000C},
      {1493, 0x000F}, {1499, 0x0011}, {1505, 0x0010}, {1517, 0x005F}, {1523, 0x002A},
      {1529, 0x002B}, {1535, 0x0082}, {1541, 0x0080}, {1553, 0x0225}, {1561, 0x0081},
      {1567, 0x0014}, {1575, 0x0083}, {1587, 0x00A1}, {1625, 0x0055}, {1631, 0x0200},
      {1649, 0x023E}, {1671, 0x001D}, {1690, 0x00EF}, {1700, 0x000A},
  };
  std::map<uint32_t, uint16_t> found;
  uint32_t pos = 0;
  while (pos < 1704) {
    found[pos] = GetU16(&w[pos]);
    pos += 4 + GetU16(&w[pos + 2]);
  }
  EXPECT_EQ(pos, 1704u);
  for (const auto& [offset, type] : expected) {
    ASSERT_TRUE(found.count(offset)) << "no record starts at " << offset;
    EXPECT_EQ(found[offset], type) << "record at " << offset;
  }
  EXPECT_TRUE(std::all_of(w.begin() + 1704, w.end(), [](uint8_t b) { return b == 0; }));
  // Cross-references inside the stream.
  EXPECT_EQ(GetU32(&w[1356 + 4]), 1441u) << "BOUNDSHEET points at the sheet's BOF";
  EXPECT_EQ(GetU32(&w[1461 + 4 + 12]), 1625u) << "INDEX points at DEFCOLWIDTH";
  // WRITEACCESS: a 3-character 8-bit name, then spaces.
  EXPECT_EQ(GetU16(&w[36 + 2]), 112);
  EXPECT_EQ(GetU16(&w[40]), 3);
  EXPECT_EQ(w[42], 0);
  EXPECT_TRUE(std::all_of(w.begin() + 46, w.begin() + 152, [](uint8_t b) { return b == ' '; }));
}

// A property set of the given size whose properties come in the given order.
void CheckPropertySet(const Bytes& s, uint32_t setSize, const std::vector<uint32_t>& ids,
                      const uint8_t (&formatId)[16]) {
  ASSERT_EQ(s.size(), 4096u);
  EXPECT_EQ(GetU16(&s[0]), 0xFFFE);
  EXPECT_EQ(GetU16(&s[2]), 0);
  EXPECT_EQ(GetU32(&s[4]), 0x00020205u);
  EXPECT_EQ(GetU32(&s[24]), 1u);
  EXPECT_TRUE(std::equal(formatId, formatId + 16, &s[28]));
  EXPECT_EQ(GetU32(&s[44]), 48u);
  EXPECT_EQ(GetU32(&s[48]), setSize);
  ASSERT_EQ(GetU32(&s[52]), ids.size());
  uint32_t previousOffset = 0;
  for (size_t i = 0; i < ids.size(); ++i) {
    EXPECT_EQ(GetU32(&s[56 + 8 * i]), ids[i]);
    const uint32_t offset = GetU32(&s[60 + 8 * i]);
    EXPECT_GT(offset, previousOffset);
    EXPECT_EQ(offset % 4, 0u);
    EXPECT_LT(offset, setSize);
    previousOffset = offset;
  }
  EXPECT_TRUE(std::all_of(s.begin() + 48 + setSize, s.end(), [](uint8_t b) { return b == 0; }));
}

TEST(Template, PropertySets) {
  const uint8_t summaryId[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                 0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
  const uint8_t docId[16] = {0x02, 0xD5, 0xCD, 0xD5, 0x9C, 0x2E, 0x1B, 0x10,
                             0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE};
  const Bytes summary = BuildTemplateSummaryInformation();
  CheckPropertySet(summary, 152, {1, 4, 8, 18, 12, 13, 19}, summaryId);
  const Bytes doc = BuildTemplateDocumentSummaryInformation();
  CheckPropertySet(doc, 196, {1, 15, 23, 11, 16, 19, 22, 13, 12}, docId);
  // Spot checks of values: code page, the application name, a time.
  const uint8_t* set = &summary[48];
  EXPECT_EQ(GetU32(set + GetU32(set + 12)), 0x0002u);
  EXPECT_EQ(GetU16(set + GetU32(set + 12) + 4), 1252);
  const uint8_t* app = set + GetU32(set + 8 + 8 * 3 + 4);
  EXPECT_EQ(GetU32(app), 0x001Eu);
  EXPECT_EQ(GetU32(app + 4), 16u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(app + 8)), "Microsoft Excel");
  EXPECT_EQ(GetU64(set + GetU32(set + 8 + 8 * 4 + 4) + 4), 0x01C36CB9E304D480u);
  const uint8_t* dset = &doc[48];
  const uint8_t* headings = dset + GetU32(dset + 8 + 8 * 8 + 4);
  EXPECT_EQ(GetU32(headings), 0x100Cu);
  EXPECT_EQ(GetU32(headings + 4), 2u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(headings + 16)), "Worksheets");
  EXPECT_EQ(GetU32(headings + 28), 0x0003u);
  EXPECT_EQ(GetU32(headings + 32), 1u);
}

}  // namespace
}  // namespace tessary
