#include "template_builder.h"

#include <initializer_list>
#include <string>
#include <string_view>

#include "common/bytes.h"

namespace tessary {

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Words(std::initializer_list<uint16_t> words) {
  Bytes b;
  for (uint16_t w : words) AppendU16(b, w);
  return b;
}

Bytes Raw(std::initializer_list<uint8_t> bytes) { return Bytes(bytes); }

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

Bytes U32(uint32_t v) {
  Bytes b;
  AppendU32(b, v);
  return b;
}

Bytes U64(uint64_t v) {
  return Cat({U32(static_cast<uint32_t>(v)), U32(static_cast<uint32_t>(v >> 32))});
}

Bytes F64(double v) {
  Bytes b(8);
  PutDouble(b.data(), v);
  return b;
}

Bytes Latin(std::string_view s) { return Bytes(s.begin(), s.end()); }

// A BIFF8 string with a 16-bit count: 8-bit characters, or 16-bit ones.
Bytes Str16(std::string_view s, bool wide) {
  Bytes b = Words({static_cast<uint16_t>(s.size())});
  b.push_back(wide ? 1 : 0);
  for (char c : s) {
    if (wide) {
      AppendU16(b, static_cast<uint8_t>(c));
    } else {
      b.push_back(static_cast<uint8_t>(c));
    }
  }
  return b;
}

struct TRecordRow {
  uint16_t Type;
  Bytes Payload;
};

Bytes Bof(uint16_t kind) {
  return Cat({Words({0x0600, kind, 0x1338, 0x07CD}), U32(0x0000C0C1), U32(0x00000306)});
}

Bytes Font() {
  // height 200, options 0, colour 0x7FFF, weight 400, escapement 0,
  // underline 0, family 0, character set 0, reserved 0x7F, name "Arial".
  return Cat({Words({200, 0, 0x7FFF, 400, 0}), Raw({0, 0, 0, 0x7F}), Raw({5, 1}),
              Words({'A', 'r', 'i', 'a', 'l'})});
}

Bytes Format(uint16_t number, std::string_view text) {
  return Cat({Words({number}), Str16(text, false)});
}

// Alignment general/bottom, no rotation or indent, no borders, pattern
// colour 64 and background colour 65.
Bytes Xf(uint16_t font, uint16_t format, uint16_t typeProtection, uint8_t usedAttributes) {
  return Cat({Words({font, format, typeProtection}), Raw({0x20, 0, 0, usedAttributes}), Bytes(8, 0),
              Words({0x20C0})});
}

Bytes BuiltInStyle(uint16_t xf, uint8_t style) {
  return Cat({Words({static_cast<uint16_t>(0x8000 | xf)}), Raw({style, 0xFF})});
}

std::vector<TRecordRow> GlobalsRecords() {
  // The user name of WRITEACCESS: 3 characters, then spaces to 112 bytes.
  Bytes writeAccess = Cat({Words({3}), Raw({0}), Latin("tsy")});
  writeAccess.resize(112, ' ');

  std::vector<TRecordRow> rows = {
      {0x0809, Bof(0x0005)},                                           // BOF, globals
      {0x00E1, Words({1200})},                                         // INTERFACEHDR
      {0x00C1, Words({0})},                                            // MMS
      {0x00E2, {}},                                                    // INTERFACEEND
      {0x005C, writeAccess},                                           // WRITEACCESS
      {0x0042, Words({1200})},                                         // CODEPAGE
      {0x0161, Words({0})},                                            // DSF
      {0x01C0, {}},                                                    // EXCEL9FILE
      {0x013D, Words({1})},                                            // TABID
      {0x009C, Words({14})},                                           // FNGROUPCOUNT
      {0x0019, Words({0})},                                            // WINDOWPROTECT
      {0x0012, Words({0})},                                            // PROTECT
      {0x0013, Words({0})},                                            // PASSWORD
      {0x01AF, Words({0})},                                            // PROT4REV
      {0x01BC, Words({0})},                                            // PROT4REVPASS
      {0x003D, Words({360, 240, 14940, 9150, 0x0038, 0, 0, 1, 600})},  // WINDOW1
      {0x0040, Words({0})},                                            // BACKUP
      {0x008D, Words({0})},                                            // HIDEOBJ
      {0x0022, Words({0})},                                            // DATEMODE
      {0x000E, Words({1})},                                            // PRECISION
      {0x01B7, Words({0})},                                            // REFRESHALL
      {0x00DA, Words({0})},                                            // BOOKBOOL
  };
  for (int i = 0; i < 4; ++i) rows.push_back({0x0031, Font()});
  const std::pair<uint16_t, std::string_view> formats[] = {
      {5, R"("$U"\ #,##0;"$U"\ \-#,##0)"},
      {6, R"("$U"\ #,##0;[Red]"$U"\ \-#,##0)"},
      {7, R"("$U"\ #,##0.00;"$U"\ \-#,##0.00)"},
      {8, R"("$U"\ #,##0.00;[Red]"$U"\ \-#,##0.00)"},
      {42, R"(_ "$U"\ * #,##0_ ;_ "$U"\ * \-#,##0_ ;_ "$U"\ * "-"_ ;_ @_ )"},
      {41, R"(_ * #,##0_ ;_ * \-#,##0_ ;_ * "-"_ ;_ @_ )"},
      {44, R"(_ "$U"\ * #,##0.00_ ;_ "$U"\ * \-#,##0.00_ ;_ "$U"\ * "-"??_ ;_ @_ )"},
      {43, R"(_ * #,##0.00_ ;_ * \-#,##0.00_ ;_ * "-"??_ ;_ @_ )"},
  };
  for (const auto& [number, text] : formats) rows.push_back({0x041E, Format(number, text)});

  struct TXfRow {
    uint16_t Font, Format, Type;
    uint8_t Used;
  };
  const TXfRow xfs[21] = {
      {0, 0, 0xFFF5, 0x00},  {1, 0, 0xFFF5, 0xF4},  {1, 0, 0xFFF5, 0xF4},  {2, 0, 0xFFF5, 0xF4},
      {2, 0, 0xFFF5, 0xF4},  {0, 0, 0xFFF5, 0xF4},  {0, 0, 0xFFF5, 0xF4},  {0, 0, 0xFFF5, 0xF4},
      {0, 0, 0xFFF5, 0xF4},  {0, 0, 0xFFF5, 0xF4},  {0, 0, 0xFFF5, 0xF4},  {0, 0, 0xFFF5, 0xF4},
      {0, 0, 0xFFF5, 0xF4},  {0, 0, 0xFFF5, 0xF4},  {0, 0, 0xFFF5, 0xF4},  {0, 0, 0x0001, 0x00},
      {1, 43, 0xFFF5, 0xF8}, {1, 41, 0xFFF5, 0xF8}, {1, 44, 0xFFF5, 0xF8}, {1, 42, 0xFFF5, 0xF8},
      {1, 9, 0xFFF5, 0xF8},
  };
  for (const TXfRow& x : xfs) rows.push_back({0x00E0, Xf(x.Font, x.Format, x.Type, x.Used)});

  const std::pair<uint16_t, uint8_t> styles[] = {{16, 3}, {17, 6}, {18, 4},
                                                 {19, 7}, {0, 0},  {20, 5}};
  for (const auto& [xf, style] : styles) rows.push_back({0x0293, BuiltInStyle(xf, style)});

  const std::vector<TRecordRow> tail = {
      {0x0160, Words({0})},                                                   // USESELFS
      {0x0085, Cat({U32(1441), Raw({0, 0}), Raw({6, 0}), Latin("Sheet1")})},  // BOUNDSHEET
      {0x008C, Words({1, 598})},                                              // COUNTRY
      {0x01C1, Cat({Words({0x01C1, 0}), U32(114210)})},                       // RECALCID
      {0x00FC, Cat({U32(0), U32(0)})},                                        // SST
      {0x00FF, Words({8})},                                                   // EXTSST
      {0x0863, Raw({0x63, 0x08, 0, 0, 0, 0, 0, 0, 0, 0,   0,
                    0,    0x15, 0, 0, 0, 0, 0, 0, 0, 0x98})},  // BOOKEXT
      {0x000A, {}},                                            // EOF
  };
  rows.insert(rows.end(), tail.begin(), tail.end());
  return rows;
}

std::vector<TRecordRow> SheetRecords() {
  // SETUP: paper 0, scale 255, first page 1, fit width 1, fit height 1,
  // flags 0x0004, resolutions 0 and 0, margins 0.5 and 0.5, copies 0.
  const Bytes setup = Cat({Words({0, 255, 1, 1, 1, 0x0004, 0, 0}), F64(0.5), F64(0.5), Words({0})});
  return {
      {0x0809, Bof(0x0010)},                                              // BOF, worksheet
      {0x020B, Cat({U32(0), U32(0), U32(0), U32(1625)})},                 // INDEX
      {0x000D, Words({1})},                                               // CALCMODE
      {0x000C, Words({100})},                                             // CALCCOUNT
      {0x000F, Words({1})},                                               // REFMODE
      {0x0011, Words({0})},                                               // ITERATION
      {0x0010, F64(0.001)},                                               // DELTA
      {0x005F, Words({1})},                                               // SAVERECALC
      {0x002A, Words({0})},                                               // PRINTHEADERS
      {0x002B, Words({0})},                                               // PRINTGRIDLINES
      {0x0082, Words({1})},                                               // GRIDSET
      {0x0080, Words({0, 0, 0, 0})},                                      // GUTS
      {0x0225, Words({0, 255})},                                          // DEFAULTROWHEIGHT
      {0x0081, Words({0x04C1})},                                          // WSBOOL
      {0x0014, {}},                                                       // HEADER
      {0x0015, {}},                                                       // FOOTER
      {0x0083, Words({0})},                                               // HCENTER
      {0x0084, Words({0})},                                               // VCENTER
      {0x00A1, setup},                                                    // SETUP
      {0x0055, Words({8})},                                               // DEFCOLWIDTH
      {0x0200, Bytes(14, 0)},                                             // DIMENSIONS
      {0x023E, Words({0x06B6, 0, 0, 64, 0, 0, 0, 0, 0})},                 // WINDOW2
      {0x001D, Cat({Raw({3}), Words({0, 0, 0, 1, 0, 0}), Raw({0, 0})})},  // SELECTION
      {0x00EF, Raw({0, 0, 0x37, 0, 0, 0})},                               // PHONETIC
      {0x000A, {}},                                                       // EOF
  };
}

void AppendRecords(Bytes& out, const std::vector<TRecordRow>& rows) {
  for (const TRecordRow& r : rows) {
    AppendU16(out, r.Type);
    AppendU16(out, static_cast<uint16_t>(r.Payload.size()));
    out.insert(out.end(), r.Payload.begin(), r.Payload.end());
  }
}

// Property values of a property set: a type word, then the value, padded to
// a multiple of 4 bytes.
Bytes PadTo4(Bytes b) {
  b.resize((b.size() + 3) / 4 * 4, 0);
  return b;
}
Bytes PropI2(uint16_t v) { return Cat({U32(0x0002), Words({v, 0})}); }
Bytes PropI4(uint32_t v) { return Cat({U32(0x0003), U32(v)}); }
Bytes PropBool(bool v) {
  return Cat({U32(0x000B), Words({static_cast<uint16_t>(v ? 0xFFFF : 0), 0})});
}
Bytes LpStr(std::string_view s) {  // length with the terminating zero, padded
  return PadTo4(Cat({U32(static_cast<uint32_t>(s.size() + 1)), Latin(s), Raw({0})}));
}
Bytes PropStr(std::string_view s) { return Cat({U32(0x001E), LpStr(s)}); }
Bytes PropFileTime(uint64_t t) { return Cat({U32(0x0040), U64(t)}); }

// A property-set stream with one set: byte order 0xFFFE, version 0, system
// 0x00020205, class id zero, the set at offset 48, zeros to 4096.
Bytes PropertySetStream(const Bytes& formatId,
                        const std::vector<std::pair<uint32_t, Bytes>>& props) {
  const uint32_t headerSize = 8 + 8 * static_cast<uint32_t>(props.size());
  Bytes index;
  Bytes values;
  for (const auto& [id, value] : props) {
    AppendU32(index, id);
    AppendU32(index, headerSize + static_cast<uint32_t>(values.size()));
    values.insert(values.end(), value.begin(), value.end());
  }
  const uint32_t setSize = headerSize + static_cast<uint32_t>(values.size());
  Bytes stream = Cat({Words({0xFFFE, 0}), U32(0x00020205), Bytes(16, 0), U32(1), formatId, U32(48),
                      U32(setSize), U32(static_cast<uint32_t>(props.size())), index, values});
  stream.resize(4096, 0);
  return stream;
}

// A class id or format id as stored: the first three groups little-endian.
Bytes Guid(uint32_t a, uint16_t b, uint16_t c, std::initializer_list<uint8_t> rest) {
  return Cat({U32(a), Words({b, c}), Bytes(rest)});
}

Bytes DirEntry(std::u16string_view name, uint8_t type, uint32_t left, uint32_t right,
               uint32_t child, const Bytes& classId, uint64_t modified, uint32_t start,
               uint32_t size) {
  Bytes e(128, 0);
  for (size_t i = 0; i < name.size(); ++i) PutU16(e.data() + 2 * i, name[i]);
  PutU16(e.data() + 64, name.empty() ? 0 : static_cast<uint16_t>(2 * (name.size() + 1)));
  e[66] = type;
  e[67] = 1;  // black
  PutU32(e.data() + 68, left);
  PutU32(e.data() + 72, right);
  PutU32(e.data() + 76, child);
  std::copy(classId.begin(), classId.end(), e.begin() + 80);
  PutU64(e.data() + 108, modified);
  PutU32(e.data() + 116, start);
  PutU32(e.data() + 120, size);
  return e;
}

constexpr uint32_t kEnd = 0xFFFFFFFE;
constexpr uint32_t kFree = 0xFFFFFFFF;
constexpr uint32_t kFat = 0xFFFFFFFD;

}  // namespace

std::vector<uint8_t> BuildTemplateWorkbookStream() {
  Bytes stream;
  AppendRecords(stream, GlobalsRecords());
  AppendRecords(stream, SheetRecords());
  stream.resize(4096, 0);  // a zero record header at 1704, then zeros
  return stream;
}

std::vector<uint8_t> BuildTemplateSummaryInformation() {
  const Bytes formatId =
      Guid(0xF29F85E0, 0x4FF9, 0x1068, {0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9});
  return PropertySetStream(formatId, {
                                         {1, PropI2(1252)},                       // code page
                                         {4, PropStr("a")},                       // author
                                         {8, PropStr("a")},                       // last saved by
                                         {18, PropStr("Microsoft Excel")},        // application
                                         {12, PropFileTime(0x01C36CB9E304D480)},  // created
                                         {13, PropFileTime(0x01C36CBA0D569200)},  // last saved
                                         {19, PropI4(0)},                         // security
                                     });
}

std::vector<uint8_t> BuildTemplateDocumentSummaryInformation() {
  const Bytes formatId =
      Guid(0xD5CDD502, 0x2E9C, 0x101B, {0x93, 0x97, 0x08, 0x00, 0x2B, 0x2C, 0xF9, 0xAE});
  // Titles of parts: a vector of one string. Heading pairs: a vector of two
  // variants, the heading and the number of parts under it.
  const Bytes titles = Cat({U32(0x101E), U32(1), LpStr("Sheet1")});
  const Bytes headings = Cat({U32(0x100C), U32(2), U32(0x001E), LpStr("Worksheets"), PropI4(1)});
  return PropertySetStream(formatId, {
                                         {1, PropI2(1252)},         // code page
                                         {15, PropStr("a")},        // company
                                         {23, PropI4(0x000B1338)},  // application version
                                         {11, PropBool(false)},     // scale
                                         {16, PropBool(false)},     // links dirty
                                         {19, PropBool(false)},     // shared document
                                         {22, PropBool(false)},     // hyperlinks changed
                                         {13, titles},              // titles of parts
                                         {12, headings},            // heading pairs
                                     });
}

std::vector<uint8_t> BuildEmptySheetTemplate() {
  // Header: version 3, 512-byte sectors, one FAT sector (24), the directory
  // in sector 25, no MiniFAT and no DIFAT sectors.
  Bytes file = Cat({Raw({0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}), Bytes(16, 0),
                    Words({0x003E, 0x0003, 0xFFFE, 9, 6}), Bytes(6, 0), U32(0), U32(1), U32(25),
                    U32(0), U32(4096), U32(kEnd), U32(0), U32(kEnd), U32(0), U32(24)});
  file.resize(512, 0xFF);

  const Bytes workbook = BuildTemplateWorkbookStream();
  const Bytes summary = BuildTemplateSummaryInformation();
  const Bytes docSummary = BuildTemplateDocumentSummaryInformation();
  file.insert(file.end(), workbook.begin(), workbook.end());      // sectors 0-7
  file.insert(file.end(), summary.begin(), summary.end());        // sectors 8-15
  file.insert(file.end(), docSummary.begin(), docSummary.end());  // sectors 16-23

  Bytes fat;  // sector 24
  for (uint32_t s = 0; s < 128; ++s) {
    uint32_t next = kFree;
    if (s < 24) next = s % 8 == 7 ? kEnd : s + 1;
    if (s == 24) next = kFat;
    if (s == 25) next = kEnd;
    AppendU32(fat, next);
  }
  file.insert(file.end(), fat.begin(), fat.end());

  const Bytes none;
  const Bytes rootClass = Guid(0x00020820, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46});
  const Bytes dir = Cat({
      DirEntry(u"Root Entry", 5, kFree, kFree, 2, rootClass, 0x01C8E78DEEB8E9C0, kEnd, 0),
      DirEntry(u"Workbook", 2, kFree, kFree, kFree, none, 0, 0, 4096),
      DirEntry(u"\u0005SummaryInformation", 2, 1, 3, kFree, none, 0, 8, 4096),
      DirEntry(u"\u0005DocumentSummaryInformation", 2, kFree, kFree, kFree, none, 0, 16, 4096),
  });
  file.insert(file.end(), dir.begin(), dir.end());  // sector 25
  return file;
}

}  // namespace tessary
