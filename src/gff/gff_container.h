// The GFF V4.0 container: header, struct definitions with their field
// tables, the elements of every list-of-structs field, and the data area,
// read into memory in one piece.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/result.h"

namespace tessary {

// The message of a table file that cannot be opened or read.
inline constexpr char kCannotOpenText[] = "File cannot be opened (Is it already in use?).";

constexpr uint16_t FlagStruct = 0x4000;
constexpr uint16_t FlagList = 0x8000;
constexpr uint32_t NullOffset = 0xFFFFFFFF;

using TData = std::vector<uint8_t>;

struct THeader {
  uint32_t Magic = 0;
  uint32_t Version = 0;
  uint32_t Platform = 0;
  uint32_t FileType = 0;
  uint32_t FileVersion = 0;
  uint32_t StructCount = 0;
  uint32_t DataOffset = 0;
};

// The elements of a list of structs: Count() blocks of ElementSize bytes,
// kept as a range of the file's bytes rather than copied, so that a list of
// many empty elements costs nothing.
struct TListData {
  uint32_t Count = 0;
  uint32_t ElementSize = 0;
  uint64_t Start = 0;  // offset of element 0 within the data area
  bool empty() const { return Count == 0; }
  size_t size() const { return Count; }
};

struct TField {
  uint32_t Label = 0;
  uint16_t TypeId = 0;
  uint16_t Flags = 0;
  uint32_t Offset = 0;
  TListData ListData;
  bool Has(uint16_t flag) const { return (Flags & flag) == flag; }
};

struct TStruct {
  uint32_t Tag = 0;
  uint32_t FieldCount = 0;
  uint32_t FieldOffset = 0;
  uint32_t StructSize = 0;
  std::vector<TField> Fields;
};

class TMemoryGFF {
 public:
  THeader Header;
  std::vector<TStruct> StructArray;

  // Reads the whole file. On failure shows one error box and returns false;
  // the object's content is then undefined. A file that cannot be opened or
  // read has the system's reason on a second line, after the path.
  bool Load(const std::filesystem::path& filename);
  // The same checks on bytes already in memory; a failure carries the
  // message instead of showing it.
  TResult LoadFromBytes(std::vector<uint8_t> bytes);

  // The bytes from DataOffset to the end of the file.
  std::span<const uint8_t> RawDataBlock() const;
  // Element `index` of a list of structs.
  std::span<const uint8_t> ListElement(const TListData& list, uint32_t index) const;

  int FindStructByTag(std::string_view tag) const;

 private:
  void ReadStructure();

  std::vector<uint8_t> FBytes;
};

int FindFieldByLabel(const TStruct& s, uint32_t label);

std::string FourCCToStr(uint32_t value);
uint32_t StrToFourCC(std::string_view text);

}  // namespace tessary
