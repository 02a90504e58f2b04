#include "gff/gff_container.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "common/bytes.h"
#include "common/safe_file.h"
#include "gff/show_error.h"

namespace tessary {
namespace {

constexpr char kUnrecognized[] = "Unrecognized file format.";
constexpr char kCorrupted[] = "File is corrupted.";

// A count the reader may allocate: below 2^31, like every array size.
constexpr uint64_t kMaxCount = 0x7FFFFFFF;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

std::string FourCCToStr(uint32_t value) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i)
    s[static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
  return s;
}

uint32_t StrToFourCC(std::string_view text) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    uint8_t c = static_cast<size_t>(i) < text.size()
                    ? static_cast<uint8_t>(text[static_cast<size_t>(i)])
                    : 0x20;
    value |= static_cast<uint32_t>(c) << (8 * i);
  }
  return value;
}

int FindFieldByLabel(const TStruct& s, uint32_t label) {
  for (size_t i = 0; i < s.Fields.size(); ++i) {
    if (s.Fields[i].Label == label) return static_cast<int>(i);
  }
  return -1;
}

int TMemoryGFF::FindStructByTag(std::string_view tag) const {
  if (tag.size() != 4) return -1;
  const uint32_t code = StrToFourCC(tag);
  for (size_t i = 0; i < StructArray.size(); ++i) {
    if (StructArray[i].Tag == code) return static_cast<int>(i);
  }
  return -1;
}

std::span<const uint8_t> TMemoryGFF::RawDataBlock() const {
  if (Header.DataOffset >= FBytes.size()) return {};
  return std::span<const uint8_t>(FBytes).subspan(Header.DataOffset);
}

std::span<const uint8_t> TMemoryGFF::ListElement(const TListData& list, uint32_t index) const {
  if (index >= list.Count || list.ElementSize == 0) return {};
  return RawDataBlock().subspan(list.Start + uint64_t{index} * list.ElementSize, list.ElementSize);
}

bool TMemoryGFF::Load(const std::filesystem::path& filename) {
  uint64_t size = 0;
  // Only a regular file: a FIFO or a device is refused instead of waited on.
  std::unique_ptr<std::FILE, FileCloser> file(OpenRegularFileForReading(filename, &size));
  if (!file) {
    ShowError(FileFailureText(kCannotOpenText, filename, OpenForReadingErrorText(errno)));
    return false;
  }
  // Positions in the file are 32-bit: a larger file cannot be a valid one.
  if (size > 0xFFFFFFFFu) {
    ShowError(kCorrupted);
    return false;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (size > 0 && std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
    // A read error has its reason; a file that shrank meanwhile has none.
    const int code = std::ferror(file.get()) ? errno : 0;
    ShowError(FileFailureText(kCorrupted, filename, code ? SystemErrorText(code) : ""));
    return false;
  }
  file.reset();
  std::string failure = LoadFromBytes(std::move(bytes));
  if (!failure.empty()) {
    ShowError(failure);
    return false;
  }
  return true;
}

std::string TMemoryGFF::LoadFromBytes(std::vector<uint8_t> bytes) {
  FBytes = std::move(bytes);
  StructArray.clear();
  const uint64_t size = FBytes.size();
  const uint8_t* p = FBytes.data();
  if (size < 28) return kCorrupted;
  Header.Magic = GetU32(p);
  Header.Version = GetU32(p + 4);
  Header.Platform = GetU32(p + 8);
  Header.FileType = GetU32(p + 12);
  Header.FileVersion = GetU32(p + 16);
  Header.StructCount = GetU32(p + 20);
  Header.DataOffset = GetU32(p + 24);
  if (Header.Magic != StrToFourCC("GFF ") || Header.FileType != StrToFourCC("G2DA"))
    return kUnrecognized;

  if (Header.StructCount > kMaxCount || 28 + 16 * uint64_t{Header.StructCount} > size)
    return kCorrupted;
  StructArray.resize(Header.StructCount);
  for (uint32_t i = 0; i < Header.StructCount; ++i) {
    const uint8_t* r = p + 28 + 16 * uint64_t{i};
    TStruct& s = StructArray[i];
    s.Tag = GetU32(r);
    s.FieldCount = GetU32(r + 4);
    s.FieldOffset = GetU32(r + 8);
    s.StructSize = GetU32(r + 12);
  }
  for (TStruct& s : StructArray) {
    if (s.FieldCount == 0) continue;
    if (s.FieldCount > kMaxCount || uint64_t{s.FieldOffset} + 12 * uint64_t{s.FieldCount} > size)
      return kCorrupted;
    s.Fields.resize(s.FieldCount);
    for (uint32_t j = 0; j < s.FieldCount; ++j) {
      const uint8_t* r = p + s.FieldOffset + 12 * uint64_t{j};
      TField& f = s.Fields[j];
      f.Label = GetU32(r);
      f.TypeId = GetU16(r + 4);
      f.Flags = GetU16(r + 6);
      f.Offset = GetU32(r + 8);
    }
  }
  const uint64_t dataOffset = Header.DataOffset;
  for (TStruct& s : StructArray) {
    for (size_t j = 0; j < s.Fields.size(); ++j) {
      TField& f = s.Fields[j];
      if (!f.Has(FlagStruct) || !f.Has(FlagList)) continue;
      // The list reference is data-area word j, whatever the field's Offset.
      const uint64_t wordPos = dataOffset + 4 * uint64_t{j};
      if (wordPos + 4 > size) return kCorrupted;
      const uint64_t listPos = dataOffset + GetU32(p + wordPos);
      if (listPos + 4 > size) return kCorrupted;
      const uint32_t count = GetU32(p + listPos);
      if (f.TypeId >= StructArray.size() || count > kMaxCount) return kCorrupted;
      const uint32_t elementSize = StructArray[f.TypeId].StructSize;
      if (elementSize > 0 && listPos + 4 + uint64_t{count} * elementSize > size) return kCorrupted;
      f.ListData.Count = count;
      f.ListData.ElementSize = elementSize;
      f.ListData.Start = listPos + 4 - dataOffset;
    }
  }
  if (dataOffset > size) return kCorrupted;
  return {};
}

}  // namespace tessary
