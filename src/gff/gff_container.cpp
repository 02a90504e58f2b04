#include "gff/gff_container.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "common/byte_reader.h"
#include "common/error.h"
#include "common/safe_file.h"
#include "gff/show_error.h"

namespace tessary {
namespace {

constexpr char kUnrecognized[] = "Unrecognized file format.";
constexpr char kCorrupted[] = "File is corrupted.";

// A count the reader may allocate: below 2^31, like every array size.
constexpr uint64_t kMaxCount = 0x7FFFFFFF;

struct TFileCloser {
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
  std::unique_ptr<std::FILE, TFileCloser> file(OpenRegularFileForReading(filename, &size));
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
  const TResult loaded = LoadFromBytes(std::move(bytes));
  if (!loaded) ShowError(loaded.Message);
  return loaded.Ok;
}

TResult TMemoryGFF::LoadFromBytes(std::vector<uint8_t> bytes) {
  FBytes = std::move(bytes);
  StructArray.clear();
  try {
    ReadStructure();
  } catch (const Error& e) {
    return TResult::Failure(e.what());
  }
  return TResult::Success();
}

// Header, struct definitions, field tables and the lists of structs, every
// read checked against the file's end ("File is corrupted.").
void TMemoryGFF::ReadStructure() {
  TByteReader in(FBytes, kCorrupted);
  Header.Magic = in.U32();
  Header.Version = in.U32();
  Header.Platform = in.U32();
  Header.FileType = in.U32();
  Header.FileVersion = in.U32();
  Header.StructCount = in.U32();
  Header.DataOffset = in.U32();
  if (Header.Magic != StrToFourCC("GFF ") || Header.FileType != StrToFourCC("G2DA")) {
    throw Error(kUnrecognized);
  }

  // Counts are checked against the bytes they need before anything is
  // allocated for them.
  if (Header.StructCount > kMaxCount || !in.Has(16 * uint64_t{Header.StructCount})) in.Fail();
  StructArray.resize(Header.StructCount);
  for (TStruct& s : StructArray) {
    s.Tag = in.U32();
    s.FieldCount = in.U32();
    s.FieldOffset = in.U32();
    s.StructSize = in.U32();
  }
  for (TStruct& s : StructArray) {
    if (s.FieldCount == 0) continue;
    if (s.FieldCount > kMaxCount || !in.HasAt(s.FieldOffset, 12 * uint64_t{s.FieldCount})) {
      in.Fail();
    }
    in.Seek(s.FieldOffset);
    s.Fields.resize(s.FieldCount);
    for (TField& f : s.Fields) {
      f.Label = in.U32();
      f.TypeId = in.U16();
      f.Flags = in.U16();
      f.Offset = in.U32();
    }
  }
  const uint64_t dataOffset = Header.DataOffset;
  for (TStruct& s : StructArray) {
    for (size_t j = 0; j < s.Fields.size(); ++j) {
      TField& f = s.Fields[j];
      if (!f.Has(FlagStruct) || !f.Has(FlagList)) continue;
      // The list reference is data-area word j, whatever the field's Offset.
      if (!in.HasAt(dataOffset + 4 * uint64_t{j}, 4)) in.Fail();
      in.Seek(dataOffset + 4 * uint64_t{j});
      const uint64_t listPos = dataOffset + in.U32();
      if (!in.HasAt(listPos, 4)) in.Fail();
      in.Seek(listPos);
      const uint32_t count = in.U32();
      if (f.TypeId >= StructArray.size() || count > kMaxCount) in.Fail();
      const uint32_t elementSize = StructArray[f.TypeId].StructSize;
      if (elementSize > 0 && !in.Has(uint64_t{count} * elementSize)) in.Fail();
      f.ListData.Count = count;
      f.ListData.ElementSize = elementSize;
      f.ListData.Start = listPos + 4 - dataOffset;
    }
  }
  if (dataOffset > FBytes.size()) in.Fail();
}

}  // namespace tessary
