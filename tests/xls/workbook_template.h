// The template's Workbook stream records, built from the documented layout
// (independently of the engine) for checking what the engine reads and
// writes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/bytes.h"

namespace tessary::testing {

using Bytes = std::vector<uint8_t>;

inline void PutRecord(Bytes& out, uint16_t id, const Bytes& payload) {
  AppendU16(out, id);
  AppendU16(out, static_cast<uint16_t>(payload.size()));
  out.insert(out.end(), payload.begin(), payload.end());
}

inline Bytes Words(std::initializer_list<uint16_t> words) {
  Bytes b;
  for (uint16_t w : words) AppendU16(b, w);
  return b;
}

inline Bytes Bof(uint16_t kind) {
  Bytes b = Words({0x0600, kind, 0x1338, 0x07CD});
  AppendU32(b, 0x0000C0C1);
  AppendU32(b, 0x00000306);
  return b;
}

// The globals section records, in stream order, split at the points where
// the saved form differs: [0] BOF .. BOOKBOOL, [1] fonts, formats, XFs,
// STYLEs, USESELFS, [2] BOUNDSHEET, [3] COUNTRY, [4] RECALCID, SST, EXTSST,
// [5] BOOKEXT, [6] EOF.
inline std::vector<Bytes> TemplateGlobalsParts(uint32_t sheetPosition = 1441) {
  std::vector<Bytes> parts(7);
  Bytes& head = parts[0];
  PutRecord(head, 0x0809, Bof(0x0005));
  PutRecord(head, 0x00E1, Words({1200}));
  PutRecord(head, 0x00C1, Words({0}));
  PutRecord(head, 0x00E2, {});
  Bytes writeAccess = {3, 0, 't', 's', 'y'};
  writeAccess.resize(112, ' ');
  PutRecord(head, 0x005C, writeAccess);
  PutRecord(head, 0x0042, Words({1200}));
  PutRecord(head, 0x0161, Words({0}));
  PutRecord(head, 0x01C0, {});
  PutRecord(head, 0x013D, Words({1}));
  PutRecord(head, 0x009C, Words({14}));
  for (uint16_t id : {0x0019, 0x0012, 0x0013, 0x01AF, 0x01BC}) PutRecord(head, id, Words({0}));
  PutRecord(head, 0x003D, Words({360, 240, 14940, 9150, 0x0038, 0, 0, 1, 600}));
  PutRecord(head, 0x0040, Words({0}));
  PutRecord(head, 0x008D, Words({0}));
  PutRecord(head, 0x0022, Words({0}));
  PutRecord(head, 0x000E, Words({1}));
  PutRecord(head, 0x01B7, Words({0}));
  PutRecord(head, 0x00DA, Words({0}));

  Bytes& lists = parts[1];
  for (int i = 0; i < 4; ++i) {
    Bytes font = Words({200, 0, 0x7FFF, 400, 0});
    font.insert(font.end(), {0, 0, 0, 0x7F, 5, 1});
    for (char c : std::string("Arial")) AppendU16(font, static_cast<uint16_t>(c));
    PutRecord(lists, 0x0031, font);
  }
  const std::pair<uint16_t, std::string> formats[] = {
      {5, "\"$U\"\\ #,##0;\"$U\"\\ \\-#,##0"},
      {6, "\"$U\"\\ #,##0;[Red]\"$U\"\\ \\-#,##0"},
      {7, "\"$U\"\\ #,##0.00;\"$U\"\\ \\-#,##0.00"},
      {8, "\"$U\"\\ #,##0.00;[Red]\"$U\"\\ \\-#,##0.00"},
      {42, "_ \"$U\"\\ * #,##0_ ;_ \"$U\"\\ * \\-#,##0_ ;_ \"$U\"\\ * \"-\"_ ;_ @_ "},
      {41, "_ * #,##0_ ;_ * \\-#,##0_ ;_ * \"-\"_ ;_ @_ "},
      {44, "_ \"$U\"\\ * #,##0.00_ ;_ \"$U\"\\ * \\-#,##0.00_ ;_ \"$U\"\\ * \"-\"??_ ;_ @_ "},
      {43, "_ * #,##0.00_ ;_ * \\-#,##0.00_ ;_ * \"-\"??_ ;_ @_ "}};
  for (const auto& [number, text] : formats) {
    Bytes format = Words({number, static_cast<uint16_t>(text.size())});
    format.push_back(0);
    format.insert(format.end(), text.begin(), text.end());
    PutRecord(lists, 0x041E, format);
  }
  for (int i = 0; i < 21; ++i) {
    uint16_t font = 0, format = 0, type = 0xFFF5;
    uint8_t used = 0xF4;
    if (i == 0) used = 0x00;
    if (i == 1 || i == 2) font = 1;
    if (i == 3 || i == 4) font = 2;
    if (i == 15) {
      type = 0x0001;
      used = 0x00;
    }
    if (i >= 16) {
      font = 1;
      format = std::initializer_list<uint16_t>{43, 41, 44, 42, 9}.begin()[i - 16];
      used = 0xF8;
    }
    Bytes xf = Words({font, format, type});
    xf.insert(xf.end(), {0x20, 0, 0, used, 0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0x20});
    PutRecord(lists, 0x00E0, xf);
  }
  const std::pair<uint16_t, uint8_t> styles[] = {{16, 3}, {17, 6}, {18, 4},
                                                 {19, 7}, {0, 0},  {20, 5}};
  for (const auto& [xf, builtIn] : styles) {
    Bytes style = Words({static_cast<uint16_t>(0x8000 | xf)});
    style.insert(style.end(), {builtIn, 0xFF});
    PutRecord(lists, 0x0293, style);
  }
  PutRecord(lists, 0x0160, Words({0}));

  Bytes boundSheet;
  AppendU32(boundSheet, sheetPosition);
  boundSheet.insert(boundSheet.end(), {0, 0, 6, 0, 'S', 'h', 'e', 'e', 't', '1'});
  PutRecord(parts[2], 0x0085, boundSheet);
  PutRecord(parts[3], 0x008C, Words({1, 598}));
  Bytes recalcId = Words({0x01C1, 0});
  AppendU32(recalcId, 114210);
  PutRecord(parts[4], 0x01C1, recalcId);
  PutRecord(parts[4], 0x00FC, Words({0, 0, 0, 0}));
  PutRecord(parts[4], 0x00FF, Words({8}));
  PutRecord(parts[5], 0x0863,
            {0x63, 0x08, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x15, 0, 0, 0, 0, 0, 0, 0, 0x98});
  PutRecord(parts[6], 0x000A, {});
  return parts;
}

// The worksheet section records: [0] BOF, [1] INDEX, [2] CALCMODE ..
// DEFCOLWIDTH, [3] DIMENSIONS, [4] WINDOW2, SELECTION, PHONETIC, [5] EOF.
inline std::vector<Bytes> TemplateSheetParts() {
  std::vector<Bytes> parts(6);
  PutRecord(parts[0], 0x0809, Bof(0x0010));
  Bytes index(16, 0);
  PutU32(index.data() + 12, 1625);
  PutRecord(parts[1], 0x020B, index);
  Bytes& misc = parts[2];
  PutRecord(misc, 0x000D, Words({1}));
  PutRecord(misc, 0x000C, Words({100}));
  PutRecord(misc, 0x000F, Words({1}));
  PutRecord(misc, 0x0011, Words({0}));
  Bytes delta(8);
  PutDouble(delta.data(), 0.001);
  PutRecord(misc, 0x0010, delta);
  PutRecord(misc, 0x005F, Words({1}));
  PutRecord(misc, 0x002A, Words({0}));
  PutRecord(misc, 0x002B, Words({0}));
  PutRecord(misc, 0x0082, Words({1}));
  PutRecord(misc, 0x0080, Words({0, 0, 0, 0}));
  PutRecord(misc, 0x0225, Words({0, 255}));
  PutRecord(misc, 0x0081, Words({0x04C1}));
  PutRecord(misc, 0x0014, {});
  PutRecord(misc, 0x0015, {});
  PutRecord(misc, 0x0083, Words({0}));
  PutRecord(misc, 0x0084, Words({0}));
  Bytes setup = Words({0, 255, 1, 1, 1, 0x0004, 0, 0});
  setup.resize(32);
  PutDouble(setup.data() + 16, 0.5);
  PutDouble(setup.data() + 24, 0.5);
  AppendU16(setup, 0);
  PutRecord(misc, 0x00A1, setup);
  PutRecord(misc, 0x0055, Words({8}));
  PutRecord(parts[3], 0x0200, Bytes(14, 0));
  PutRecord(parts[4], 0x023E, Words({0x06B6, 0, 0, 64, 0, 0, 0, 0, 0}));
  PutRecord(parts[4], 0x001D, {3, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0});
  PutRecord(parts[4], 0x00EF, {0, 0, 0x37, 0, 0, 0});
  PutRecord(parts[5], 0x000A, {});
  return parts;
}

inline Bytes Join(const std::vector<Bytes>& parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// The template's whole Workbook stream: records, a zero header, zeros to 4096.
inline Bytes TemplateWorkbookStream() {
  Bytes stream = Join(TemplateGlobalsParts());
  const Bytes sheet = Join(TemplateSheetParts());
  stream.insert(stream.end(), sheet.begin(), sheet.end());
  stream.resize(4096, 0);
  return stream;
}

// The template's globals with `extra` records after the sheet list (one
// BOUNDSHEET per sheet, named S1, S2, ..., holding the stream position of
// its sheet's BOF), then the given sheet sections in that order.
inline Bytes WorkbookWith(const std::vector<Bytes>& sheets, const Bytes& extra = {}) {
  auto g = TemplateGlobalsParts();
  const Bytes head = Join({g[0], g[1]});
  const Bytes tail = Join({g[3], g[4], g[5], g[6]});
  const size_t boundSheetSize = 14;
  uint32_t position = static_cast<uint32_t>(head.size() + sheets.size() * boundSheetSize +
                                            extra.size() + tail.size());
  Bytes stream = head;
  for (size_t i = 0; i < sheets.size(); ++i) {
    Bytes boundSheet;
    AppendU32(boundSheet, position);
    boundSheet.insert(boundSheet.end(), {0, 0, 2, 0, 'S', static_cast<uint8_t>('1' + i)});
    PutRecord(stream, 0x0085, boundSheet);
    position += static_cast<uint32_t>(sheets[i].size());
  }
  stream.insert(stream.end(), extra.begin(), extra.end());
  stream.insert(stream.end(), tail.begin(), tail.end());
  for (const Bytes& sheet : sheets) stream.insert(stream.end(), sheet.begin(), sheet.end());
  return stream;
}

}  // namespace tessary::testing
