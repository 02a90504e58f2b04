// Compound files: reading streams, the exact layout of copies with the
// Workbook stream replaced, the size boundaries of the FAT and DIFAT, and
// damaged containers.
#include "xls/compound_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include "common/bytes.h"
#include "common/error.h"
#include "support/test_text.h"
#include "template_builder.h"
#include "text/utf16.h"
#include "xls/empty_sheet_template.h"

namespace tessary {
namespace {

using namespace tessary::testing;

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kEnd = cfb::kEndOfChain;
constexpr uint32_t kFree = cfb::kFreeSect;

Bytes TemplateBytes() {
  const auto t = EmptySheetTemplate();
  return Bytes(t.begin(), t.end());
}

Bytes ReadStream(const Bytes& file, std::u16string_view name) {
  TMemoryByteStream in(file);
  TCompoundFile cf(in);
  cf.SelectStream(name);
  Bytes out(cf.Length());
  cf.ReadMem(out.data(), static_cast<uint32_t>(out.size()));
  EXPECT_TRUE(cf.Eof());
  return out;
}

// A copy of `source` whose Workbook stream holds `workbook`.
Bytes CopyWith(const Bytes& source, const Bytes& workbook) {
  TMemoryByteStream in(source);
  TMemoryByteStream out;
  TCompoundFile cf(in);
  cf.PrepareForWrite(out, u"Workbook");
  cf.WriteMem(workbook.data(), static_cast<uint32_t>(workbook.size()));
  EXPECT_EQ(cf.Position(), workbook.size());
  cf.Close();
  return out.Bytes;
}

Bytes Pattern(size_t size) {
  Bytes b(size);
  for (size_t i = 0; i < size; ++i) b[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return b;
}

uint32_t HeaderU32(const Bytes& f, size_t ofs) { return GetU32(&f[ofs]); }
const uint8_t* Sector(const Bytes& f, uint32_t s) { return &f[512 + size_t(s) * 512]; }
uint32_t FatEntry(const Bytes& f, uint32_t fatSector, uint32_t i) {
  return GetU32(Sector(f, fatSector) + 4 * i);
}

std::string OpenAndRead(const Bytes& file, std::u16string_view name = u"Workbook") {
  return ErrorText([&] {
    TMemoryByteStream in(file);
    TCompoundFile cf(in);
    cf.SelectStream(name);
    Bytes out(cf.Length());
    cf.ReadMem(out.data(), static_cast<uint32_t>(out.size()));
  });
}

TEST(CompoundFileRead, TemplateStreams) {
  const Bytes file = TemplateBytes();
  EXPECT_EQ(ReadStream(file, u"Workbook"), BuildTemplateWorkbookStream());
  EXPECT_EQ(ReadStream(file, u"\u0005SummaryInformation"), BuildTemplateSummaryInformation());
  TMemoryByteStream in(file);
  EXPECT_TRUE(TCompoundFile::IsCompoundFile(in));
  TCompoundFile cf(in);
  EXPECT_EQ(cf.FindRoot().Name(), u"Root Entry");
  ASSERT_TRUE(cf.FindDir(u"Workbook"));
  EXPECT_FALSE(cf.FindDir(u"workbook")) << "names compare with letter case";
}

TEST(CompoundFileRead, ReadingPastTheEndAndNextEof) {
  TMemoryByteStream in(TemplateBytes());
  TCompoundFile cf(in);
  uint8_t buf[16];
  cf.ReadMem(buf, 4);  // nothing selected: nothing happens
  cf.SelectStream(u"Workbook");
  EXPECT_EQ(cf.Length(), 4096u);
  cf.ReadMem(buf, 4);
  EXPECT_EQ(GetU16(buf), 0x0809);
  EXPECT_EQ(cf.Position(), 4u);
  EXPECT_FALSE(cf.NextEof(4091));
  EXPECT_TRUE(cf.NextEof(4092));
  EXPECT_EQ(ErrorText([&] {
              std::vector<uint8_t> all(4100);
              cf.ReadMem(all.data(), 4100);
            }),
            "End of stream reached with 8 bytes left to read");
  EXPECT_EQ(ErrorText([&] { cf.SelectStream(u"Nothing"); }), "The file \"\" is invalid");
}

// Sectors that follow each other in the file are read in one piece; a
// chain that jumps is followed sector by sector, in chain order.
TEST(CompoundFileRead, ChainsOutOfFileOrder) {
  Bytes file = TemplateBytes();
  const Bytes workbook = BuildTemplateWorkbookStream();
  // The Workbook stream (sectors 0-7) made to run 0, 2, 1, 3, ... 7, with
  // sectors 1 and 2 swapped so that it holds the same bytes.
  uint8_t* fat = &file[512 + 24 * 512];
  PutU32(fat + 4 * 0, 2);
  PutU32(fat + 4 * 2, 1);
  PutU32(fat + 4 * 1, 3);
  std::swap_ranges(file.begin() + 512 + 512, file.begin() + 512 + 1024, file.begin() + 512 + 1024);
  EXPECT_EQ(ReadStream(file, u"Workbook"), workbook);
  TMemoryByteStream in(file);
  TCompoundFile cf(in);
  cf.SelectStream(u"Workbook");
  uint8_t first[700];
  cf.ReadMem(first, sizeof first);  // ends inside the second sector of the chain
  EXPECT_EQ(Bytes(first, first + sizeof first), Bytes(workbook.begin(), workbook.begin() + 700));
  EXPECT_EQ(cf.ReadAll(), Bytes(workbook.begin() + 700, workbook.end()));
}

TEST(CompoundFileRead, NotACompoundFile) {
  Bytes file = TemplateBytes();
  file[3] ^= 1;
  EXPECT_EQ(OpenAndRead(file), "The file \"\" is invalid");
  EXPECT_EQ(OpenAndRead(Bytes(75, 0xD0)), "The file \"\" is invalid");

  TMemoryByteStream in(file);
  in.Seek(0);
  EXPECT_FALSE(TCompoundFile::IsCompoundFile(in));
  EXPECT_EQ(in.Position(), 0u);

  // A compound file found further into a stream is opened there.
  Bytes prefixed(100, 0xAB);
  const Bytes t = TemplateBytes();
  prefixed.insert(prefixed.end(), t.begin(), t.end());
  TMemoryByteStream at(prefixed);
  at.Seek(100);
  EXPECT_TRUE(TCompoundFile::IsCompoundFile(at));
  TCompoundFile inner(at);
  inner.SelectStream(u"Workbook");
  EXPECT_EQ(inner.Length(), 4096u);
}

// The image the load keeps: the template copied with an empty Workbook
// stream. It has the template's size, the property sets first, the
// directory in sector 16, the Workbook stream from 17 and the FAT in 25.
TEST(CompoundFileWrite, OtherStreamsImageLayout) {
  const Bytes image = CopyWith(TemplateBytes(), {});
  ASSERT_EQ(image.size(), 13824u);
  const Bytes summary = BuildTemplateSummaryInformation();
  const Bytes docSummary = BuildTemplateDocumentSummaryInformation();
  EXPECT_TRUE(std::equal(summary.begin(), summary.end(), Sector(image, 0)));
  EXPECT_TRUE(std::equal(docSummary.begin(), docSummary.end(), Sector(image, 8)));
  EXPECT_EQ(HeaderU32(image, 44), 1u);   // csectFat
  EXPECT_EQ(HeaderU32(image, 48), 16u);  // sectDirStart
  EXPECT_EQ(HeaderU32(image, 60), kEnd);
  EXPECT_EQ(HeaderU32(image, 68), kEnd);
  EXPECT_EQ(HeaderU32(image, 72), 0u);
  EXPECT_EQ(HeaderU32(image, 76), 25u);  // header DIFAT: the FAT sector
  EXPECT_EQ(HeaderU32(image, 80), kFree);
  // The template's header otherwise unchanged.
  const Bytes t = TemplateBytes();
  EXPECT_TRUE(std::equal(t.begin(), t.begin() + 44, image.begin()));
  // Directory: entries as in the template, with new start sectors.
  const uint8_t* dir = Sector(image, 16);
  const uint8_t* tdir = Sector(t, 25);
  for (int e = 0; e < 4; ++e) {
    EXPECT_TRUE(std::equal(tdir + 128 * e, tdir + 128 * e + 116, dir + 128 * e)) << "entry " << e;
  }
  EXPECT_EQ(GetU32(dir + 128 * 0 + 116), kEnd);
  EXPECT_EQ(GetU32(dir + 128 * 1 + 116), 17u);
  EXPECT_EQ(GetU32(dir + 128 * 1 + 120), 4096u);
  EXPECT_EQ(GetU32(dir + 128 * 2 + 116), 0u);
  EXPECT_EQ(GetU32(dir + 128 * 3 + 116), 8u);
  // FAT: 0-7, 8-15, the directory, 17-24, FATSECT, free.
  for (uint32_t s = 0; s < 128; ++s) {
    uint32_t expected = kFree;
    if (s < 16) expected = s % 8 == 7 ? kEnd : s + 1;
    if (s == 16) expected = kEnd;
    if (s >= 17 && s < 25) expected = s == 24 ? kEnd : s + 1;
    if (s == 25) expected = cfb::kFatSect;
    ASSERT_EQ(FatEntry(image, 25, s), expected) << "FAT entry " << s;
  }
  EXPECT_EQ(ReadStream(image, u"Workbook"), Bytes(4096, 0));
}

TEST(CompoundFileWrite, SmallStreamIsPaddedToTheCutoff) {
  // 1708 bytes are stored as 4096, and the entry says 4096.
  const Bytes workbook = Pattern(1708);
  const Bytes file = CopyWith(TemplateBytes(), workbook);
  EXPECT_EQ(file.size(), 512u + 26 * 512);
  Bytes expected = workbook;
  expected.resize(4096, 0);
  EXPECT_EQ(ReadStream(file, u"Workbook"), expected);
}

TEST(CompoundFileWrite, StreamOfOneByteMoreThanEightSectors) {
  // 4097 bytes take 9 sectors; the entry says 4097; the last sector is
  // zero after its first byte.
  const Bytes workbook = Pattern(4097);
  const Bytes file = CopyWith(TemplateBytes(), workbook);
  ASSERT_EQ(file.size(), 512u + (17 + 9 + 1) * 512);
  EXPECT_EQ(ReadStream(file, u"Workbook"), workbook);
  const uint8_t* last = Sector(file, 17 + 8);
  EXPECT_EQ(last[0], workbook[4096]);
  EXPECT_TRUE(std::all_of(last + 1, last + 512, [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(GetU32(Sector(file, 16) + 128 + 120), 4097u);
}

// 17 sectors before the Workbook stream: 110 Workbook sectors make 127,
// and with the FAT sector itself one FAT sector's 128 entries are all used.
TEST(CompoundFileWrite, FatSectorBoundary) {
  const Bytes full = CopyWith(TemplateBytes(), Pattern(56320));
  ASSERT_EQ(full.size(), 66048u);
  EXPECT_EQ(HeaderU32(full, 44), 1u);
  EXPECT_EQ(FatEntry(full, 127, 126), kEnd);
  EXPECT_EQ(FatEntry(full, 127, 127), cfb::kFatSect);
  EXPECT_EQ(ReadStream(full, u"Workbook"), Pattern(56320));

  const Bytes over = CopyWith(TemplateBytes(), Pattern(56321));
  ASSERT_EQ(over.size(), 512u + (17 + 111 + 2) * 512);
  EXPECT_EQ(HeaderU32(over, 44), 2u);
  EXPECT_EQ(HeaderU32(over, 76), 128u);
  EXPECT_EQ(HeaderU32(over, 80), 129u);
  EXPECT_EQ(ReadStream(over, u"Workbook"), Pattern(56321));
}

// Over 109 FAT sectors the DIFAT sectors lie between the stream and the FAT.
TEST(CompoundFileWrite, LargeStreamNeedsDifatSectors) {
  const uint32_t n = 14200;  // sectors of the Workbook stream, about 7.3 MB
  const Bytes workbook = Pattern(size_t(n) * 512 - 100);
  const Bytes file = CopyWith(TemplateBytes(), workbook);
  const uint32_t F = 17;
  const uint32_t m = HeaderU32(file, 44);
  const uint32_t d = HeaderU32(file, 72);
  EXPECT_GT(m, 109u);
  EXPECT_EQ(d, (m - 109 + 126) / 127);
  EXPECT_GE(128 * m, F + n + d + m) << "FAT too small";
  EXPECT_LT(128 * (m - 1), F + n + d + (m - 1)) << "FAT larger than needed";
  ASSERT_EQ(file.size(), 512u + size_t(F + n + d + m) * 512);
  EXPECT_EQ(HeaderU32(file, 68), F + n);
  for (uint32_t i = 0; i < 109; ++i) ASSERT_EQ(HeaderU32(file, 76 + 4 * i), F + n + d + i);
  const uint8_t* difat = Sector(file, F + n);
  for (uint32_t i = 0; i < 127; ++i) {
    const uint32_t j = 109 + i;
    ASSERT_EQ(GetU32(difat + 4 * i), j < m ? F + n + d + j : kFree) << "DIFAT slot " << i;
  }
  EXPECT_EQ(GetU32(difat + 508), d > 1 ? F + n + 1 : kFree);
  // FAT entries of the DIFAT and FAT sectors themselves.
  auto fat = [&](uint32_t s) { return FatEntry(file, F + n + d + s / 128, s % 128); };
  EXPECT_EQ(fat(F + n - 1), kEnd);
  EXPECT_EQ(fat(F + n), cfb::kDifSect);
  EXPECT_EQ(fat(F + n + d), cfb::kFatSect);
  EXPECT_EQ(fat(F + n + d + m - 1), cfb::kFatSect);
  EXPECT_EQ(ReadStream(file, u"Workbook"), workbook);
}

TEST(CompoundFileWrite, CopiesAreIdentical) {
  const Bytes workbook = Pattern(20000);
  const Bytes image = CopyWith(TemplateBytes(), {});
  const Bytes first = CopyWith(image, workbook);
  EXPECT_EQ(CopyWith(image, workbook), first);
  EXPECT_EQ(CopyWith(first, workbook), first) << "a copy of the saved file must be the same";
}

TEST(CompoundFileWrite, OutputAfterOtherBytes) {
  TMemoryByteStream in(TemplateBytes());
  TMemoryByteStream out;
  out.Write("prefix", 6);
  {
    TCompoundFile cf(in);
    cf.PrepareForWrite(out, u"Workbook");
    const Bytes w = Pattern(5000);
    cf.WriteMem(w.data(), 5000);
  }  // closing completes the copy
  ASSERT_EQ(out.Bytes.size(), 6u + 512 + (17 + 10 + 1) * 512);
  out.Seek(6);
  TCompoundFile back(out);
  back.SelectStream(u"Workbook");
  Bytes w(5000);
  back.ReadMem(w.data(), 5000);
  EXPECT_EQ(w, Pattern(5000));
}

TEST(CompoundFileWrite, OperationsOutOfOrderFail) {
  const std::string invalid = "Invalid OLE Stream operation on stream: \"\"";
  TMemoryByteStream in(TemplateBytes());
  TMemoryByteStream out;
  TCompoundFile cf(in);
  uint8_t b[4] = {};
  EXPECT_EQ(ErrorText([&] { cf.WriteMem(b, 4); }), invalid);
  // A missing target leaves the file unprepared and readable.
  EXPECT_EQ(ErrorText([&] { cf.PrepareForWrite(out, u"Book"); }), invalid);
  cf.SelectStream(u"Workbook");
  cf.ReadMem(b, 4);
  TMemoryByteStream out2;
  cf.PrepareForWrite(out2, u"Workbook");
  EXPECT_EQ(ErrorText([&] { cf.PrepareForWrite(out2, u"Workbook"); }), invalid);
  EXPECT_EQ(ErrorText([&] { cf.ReadMem(b, 4); }), invalid);
  EXPECT_EQ(ErrorText([&] { cf.SelectStream(u"Workbook"); }),
            "Invalid OLE Stream operation on stream: \"Workbook\"");
  cf.Write32(0x01020304);
  cf.Write16(0x0506);
  EXPECT_EQ(cf.Position(), 6u);
  cf.Close();  // before out2 goes away
}

// Saving goes through a file written beside the target; an abandoned one
// leaves the target as it was.
TEST(CompoundFileWrite, ThroughFiles) {
  const std::filesystem::path target = std::filesystem::path(::testing::TempDir()) / "cfb_file.xls";
  std::filesystem::remove(target);
  const Bytes workbook = Pattern(9000);
  {
    TMemoryByteStream in(TemplateBytes());
    TFileWriteStream out(target);
    TCompoundFile cf(in);
    cf.PrepareForWrite(out, u"Workbook");
    cf.WriteMem(workbook.data(), static_cast<uint32_t>(workbook.size()));
    cf.Close();
    EXPECT_FALSE(std::filesystem::exists(target)) << "visible before Commit";
    out.Commit();
  }
  TFileReadStream file(target);
  EXPECT_EQ(file.Size(), 512u + (17 + 18 + 1) * 512);
  TCompoundFile cf(file);
  cf.SelectStream(u"Workbook");
  Bytes back(cf.Length());
  cf.ReadMem(back.data(), static_cast<uint32_t>(back.size()));
  EXPECT_EQ(back, workbook);
  EXPECT_THROW(file.Write("x", 1), Error);
  {
    TFileWriteStream abandoned(target);
    abandoned.Write("junk", 4);
  }
  EXPECT_EQ(std::filesystem::file_size(target), 512u + (17 + 18 + 1) * 512);
  std::filesystem::remove(target);
}

// A file written by another program keeps its small streams in the mini
// stream; the copy carries the mini stream and MiniFAT over unchanged.
TEST(CompoundFileWrite, MiniStreamAndSmallStreamsSurviveTheCopy) {
  const std::string path = std::string(TESSARY_SHARED_TESTDATA) + "/xls/lo_3sheets.xls";
  std::ifstream f(path, std::ios::binary);
  if (!f) GTEST_SKIP() << path << " not available";
  const Bytes source((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  TMemoryByteStream in(source);
  TCompoundFile original(in);
  ASSERT_GT(GetU32(&source[64]), 0u) << "the source should have a MiniFAT";

  const Bytes workbook = ReadStream(source, u"Workbook");
  const Bytes copy = CopyWith(source, workbook);
  EXPECT_EQ(ReadStream(copy, u"Workbook"), workbook);
  EXPECT_EQ(GetU32(&copy[64]), GetU32(&source[64])) << "csectMiniFat";
  for (const std::u16string name :
       {u"\u0005SummaryInformation", u"\u0005DocumentSummaryInformation"}) {
    const auto before = original.FindDir(name);
    ASSERT_TRUE(before);
    ASSERT_LT(before->ulSize, 4096u);
    TMemoryByteStream cin(copy);
    TCompoundFile copied(cin);
    const auto after = copied.FindDir(name);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->Data, before->Data) << "small stream entry changed";
    EXPECT_EQ(ReadStream(copy, name), ReadStream(source, name));
  }
  EXPECT_EQ(CopyWith(copy, workbook), copy);
}

// Damaged containers are refused with a failure, never a hang or a read
// outside the file.
TEST(CompoundFileRead, DamagedContainers) {
  const std::string invalidFile = "Error reading Excel records. File invalid";
  const size_t fat = 512 + 24 * 512;  // the template's FAT sector
  auto withFat = [&](uint32_t entry, uint32_t value) {
    Bytes f = TemplateBytes();
    PutU32(&f[fat + 4 * entry], value);
    return f;
  };
  auto withHeader = [&](size_t ofs, uint32_t value) {
    Bytes f = TemplateBytes();
    PutU32(&f[ofs], value);
    return f;
  };
  EXPECT_EQ(OpenAndRead(withFat(3, 1)), invalidFile) << "chain loops";
  EXPECT_EQ(OpenAndRead(withFat(3, 1000)), invalidFile) << "chain leaves the file";
  EXPECT_EQ(OpenAndRead(withFat(3, kEnd)), invalidFile) << "chain shorter than the stream";
  EXPECT_EQ(OpenAndRead(withFat(3, kFree)), invalidFile) << "chain runs into a free sector";
  EXPECT_EQ(OpenAndRead(withFat(25, 25)), invalidFile) << "directory chain loops";
  EXPECT_EQ(OpenAndRead(withHeader(48, 5000)), invalidFile) << "directory outside the file";
  // MiniFAT of two sectors whose chain ends after one.
  Bytes shortMini = withHeader(64, 2);
  PutU32(&shortMini[60], 25);
  EXPECT_EQ(OpenAndRead(shortMini), invalidFile);
  // DIFAT: ENDOFCHAIN while sectors are due, a loop, a huge count.
  Bytes difat = withHeader(72, 1);
  PutU32(&difat[68], kEnd);
  EXPECT_EQ(OpenAndRead(difat), invalidFile);
  EXPECT_EQ(OpenAndRead(withHeader(72, 0xFFFFFFFF)), invalidFile);
  // FAT sector numbers outside the file.
  EXPECT_EQ(OpenAndRead(withHeader(76, 0x7FFFFFFF)), invalidFile);
  // A header whose DIFAT claims 109 free FAT sectors in a 2 KB file: the
  // table stays the size of the file.
  Bytes tiny = TemplateBytes();
  tiny.resize(2048);
  for (int i = 0; i < 109; ++i) PutU32(&tiny[76 + 4 * i], kFree);
  EXPECT_EQ(OpenAndRead(tiny), invalidFile);
  // Cut short inside the header.
  Bytes cut = TemplateBytes();
  cut.resize(300);
  EXPECT_EQ(OpenAndRead(cut), invalidFile);
  // 4096-byte sectors are refused rather than misread, a byte order other
  // than little-endian rather than copied.
  Bytes v4 = TemplateBytes();
  PutU16(&v4[26], 4);
  PutU16(&v4[30], 12);
  EXPECT_EQ(OpenAndRead(v4), "The file \"\" is invalid");
  Bytes bigEndian = TemplateBytes();
  PutU16(&bigEndian[28], 0xFEFF);
  EXPECT_EQ(OpenAndRead(bigEndian), "The file \"\" is invalid");
  // Directory links (root -> 2, whose siblings are 1 and 3) that loop, that
  // reach an entry a second time, or that leave the directory.
  const size_t dir = 512 + 25 * 512;
  EXPECT_EQ(OpenAndRead(withHeader(dir + 128 + 68, 2)), invalidFile) << "sibling loop";
  EXPECT_EQ(OpenAndRead(withHeader(dir + 3 * 128 + 72, 1)), invalidFile) << "reached twice";
  EXPECT_EQ(OpenAndRead(withHeader(dir + 3 * 128 + 68, 4)), invalidFile) << "past the end";
  // Two chains sharing sectors cannot be copied.
  Bytes shared = TemplateBytes();
  PutU32(&shared[512 + 25 * 512 + 3 * 128 + 116], 8);  // DocumentSummaryInformation -> 8
  EXPECT_EQ(ErrorText([&] { CopyWith(shared, {}); }), invalidFile);
}

// An independent reader must accept what we write.
TEST(CompoundFileWrite, IndependentReaderAcceptsCopies) {
  if (!std::filesystem::exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
  const std::filesystem::path dir = ::testing::TempDir();
  const std::filesystem::path small = dir / "cfb_small.xls";
  const std::filesystem::path large = dir / "cfb_large.xls";
  auto save = [](const std::filesystem::path& p, const Bytes& b) {
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), b.size());
  };
  save(small, CopyWith(TemplateBytes(), Pattern(1708)));
  save(large, CopyWith(TemplateBytes(), Pattern(7500000)));
  const std::string script =
      "import sys\n"
      "try:\n"
      "  from xlrd import compdoc\n"
      "except ImportError:\n"
      "  sys.exit(77)\n"
      "for p, n in ((sys.argv[1], 1708), (sys.argv[2], 7500000)):\n"
      "  d = compdoc.CompDoc(open(p, 'rb').read(), logfile=open('/dev/null', 'w'))\n"
      "  w = d.get_named_stream('Workbook')\n"
      "  exp = bytes((i * 7 + i // 251) & 255 for i in range(n))\n"
      "  if w[:n] != exp or len(d.get_named_stream('\\x05SummaryInformation')) != 4096:\n"
      "    sys.exit(1)\n";
  const std::filesystem::path py = dir / "cfb_check.py";
  std::ofstream(py) << script;
  const std::string command =
      "/usr/bin/python3 " + py.string() + " " + small.string() + " " + large.string();
  const int status = std::system(command.c_str());
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (code == 77) GTEST_SKIP() << "python3-xlrd not installed";
  EXPECT_EQ(code, 0) << "xlrd refused or misread a written compound file";
}

}  // namespace
}  // namespace tessary
