#include "xls/excel_string.h"

#include <algorithm>

#include "common/bytes.h"
#include "common/error.h"

namespace tessary {

namespace {

[[noreturn]] void ReadFailure() { throw Error("Error reading record"); }

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
  size_t pos = offset;
  auto need = [&](uint64_t n) {
    if (pos > data.size() || data.size() - pos < n) ReadFailure();
  };
  TExcelString s;
  s.StrLenLength = strLenLength;
  need(strLenLength + 1u);
  s.StrLen = strLenLength == 1 ? data[pos] : GetU16(&data[pos]);
  pos += strLenLength;
  s.OptionFlags = data[pos++];
  if (s.OptionFlags & xlstr::kRichText) {
    need(2);
    s.NumberRichTextFormats = GetU16(&data[pos]);
    pos += 2;
  }
  if (s.OptionFlags & xlstr::kFarEast) {
    need(4);
    s.FarEastDataSize = GetU32(&data[pos]);
    pos += 4;
  }
  const bool wide = s.IsWide();
  need(static_cast<uint64_t>(s.StrLen) * (wide ? 2 : 1));
  s.FValue.resize(s.StrLen);
  for (uint16_t i = 0; i < s.StrLen; ++i) {
    s.FValue[i] = wide ? static_cast<char16_t>(GetU16(&data[pos + 2 * i])) : data[pos + i];
  }
  pos += static_cast<size_t>(s.StrLen) * (wide ? 2 : 1);
  const uint64_t runBytes = 4ull * s.NumberRichTextFormats;
  need(runBytes);
  s.RichTextFormats.assign(data.begin() + pos, data.begin() + pos + runBytes);
  pos += runBytes;
  need(s.FarEastDataSize);
  s.FarEastData.assign(data.begin() + pos, data.begin() + pos + s.FarEastDataSize);
  pos += s.FarEastDataSize;
  offset = pos;
  return s;
}

uint32_t TExcelString::TotalSize() const {
  uint32_t size = StrLenLength + 1u + StrLen * (IsWide() ? 2u : 1u);
  if (OptionFlags & xlstr::kRichText) size += 2 + 4u * NumberRichTextFormats;
  if (OptionFlags & xlstr::kFarEast) size += 4 + FarEastDataSize;
  return size;
}

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
  out.reserve(TotalSize());
  SaveToBytes(out);
  return out;
}

}  // namespace tessary
