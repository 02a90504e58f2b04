#include "xls/excel_string.h"

#include <algorithm>

#include "common/byte_reader.h"
#include "common/bytes.h"
#include "common/error.h"

namespace tessary {

namespace {

void CheckStrLenLength(uint8_t strLenLength) {
  if (strLenLength != 1 && strLenLength != 2) throw Error("StrLenLength should be 1 or 2");
}

}  // namespace

TExcelString::TExcelString(uint8_t strLenLength, std::u16string_view value, bool forceWide) {
  CheckStrLenLength(strLenLength);
  StrLenLength = strLenLength;
  SetValue(value);
  if (forceWide) OptionFlags |= xlstr::kWide;
}

void TExcelString::SetValue(std::u16string_view value) {
  const size_t limit = StrLenLength == 1 ? 0xFF : 0xFFFF;
  if (value.size() > limit) throw Error("Invalid String record");
  FValue.assign(value);
  StrLen = static_cast<uint16_t>(value.size());
  const bool wide = std::any_of(value.begin(), value.end(), [](char16_t c) { return c > 0xFF; });
  OptionFlags = wide ? xlstr::kWide : 0;
  NumberRichTextFormats = 0;
  FarEastDataSize = 0;
  RichTextFormats.clear();
  FarEastData.clear();
}

TExcelString TExcelString::Parse(uint8_t strLenLength, std::span<const uint8_t> data,
                                 size_t& offset) {
  CheckStrLenLength(strLenLength);
  TByteReader in(data, "Error reading record");
  in.Seek(offset);
  TExcelString s;
  s.StrLenLength = strLenLength;
  s.StrLen = strLenLength == 1 ? in.U8() : in.U16();
  s.OptionFlags = in.U8();
  if (s.OptionFlags & xlstr::kRichText) s.NumberRichTextFormats = in.U16();
  if (s.OptionFlags & xlstr::kFarEast) s.FarEastDataSize = in.U32();
  const bool wide = s.IsWide();
  if (s.StrLen > in.Left() / (wide ? 2 : 1)) in.Fail();
  s.FValue.resize(s.StrLen);
  for (uint16_t i = 0; i < s.StrLen; ++i) s.FValue[i] = wide ? in.U16() : in.U8();
  const std::span<const uint8_t> runs = in.Bytes(4ull * s.NumberRichTextFormats);
  s.RichTextFormats.assign(runs.begin(), runs.end());
  const std::span<const uint8_t> farEast = in.Bytes(s.FarEastDataSize);
  s.FarEastData.assign(farEast.begin(), farEast.end());
  offset = in.Position();
  return s;
}

uint32_t TExcelString::TotalSize() const { return static_cast<uint32_t>(ToBytes().size()); }

void TExcelString::SaveToBytes(std::vector<uint8_t>& out) const {
  CheckStrLenLength(StrLenLength);
  if (StrLenLength == 1) {
    if (StrLen > 0xFF) throw Error("Invalid String record");
    out.push_back(static_cast<uint8_t>(StrLen));
  } else {
    AppendU16(out, StrLen);
  }
  out.push_back(OptionFlags);
  if (OptionFlags & xlstr::kRichText) AppendU16(out, NumberRichTextFormats);
  if (OptionFlags & xlstr::kFarEast) AppendU32(out, FarEastDataSize);
  for (uint16_t i = 0; i < StrLen; ++i) {
    const char16_t c = i < FValue.size() ? FValue[i] : 0;
    if (IsWide()) {
      AppendU16(out, c);
    } else {
      out.push_back(static_cast<uint8_t>(c));
    }
  }
  // Runs and far-east data always take the size the counts announce.
  if (OptionFlags & xlstr::kRichText) {
    std::vector<uint8_t> runs = RichTextFormats;
    runs.resize(4u * NumberRichTextFormats, 0);
    out.insert(out.end(), runs.begin(), runs.end());
  }
  if (OptionFlags & xlstr::kFarEast) {
    std::vector<uint8_t> farEast = FarEastData;
    farEast.resize(FarEastDataSize, 0);
    out.insert(out.end(), farEast.begin(), farEast.end());
  }
}

std::vector<uint8_t> TExcelString::ToBytes() const {
  std::vector<uint8_t> out;
  SaveToBytes(out);
  return out;
}

}  // namespace tessary
