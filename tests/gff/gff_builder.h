// Builds GFF containers byte by byte for tests, so that every field of the
// header, the struct definitions and the data area can be set freely.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessary::test {

struct FieldDef {
  uint32_t Label;
  uint16_t TypeId;
  uint16_t Flags;
  uint32_t Offset;
};

struct StructDef {
  std::string Tag;
  std::vector<FieldDef> Fields;
  uint32_t Size;
};

class GffBuilder {
 public:
  std::string Magic = "GFF ";
  std::string Version = "V4.0";
  std::string Platform = "PC  ";
  std::string FileType = "G2DA";
  std::string FileVersion = "V0.2";
  std::vector<StructDef> Structs;
  std::vector<uint8_t> Data;
  // When set, replaces the computed values.
  int64_t StructCountOverride = -1;
  int64_t DataOffsetOverride = -1;

  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) Data.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U8(uint8_t v) { Data.push_back(v); }
  void U16(uint16_t v) {
    Data.push_back(static_cast<uint8_t>(v));
    Data.push_back(static_cast<uint8_t>(v >> 8));
  }

  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out;
    auto u32 = [&](uint32_t v) {
      for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    auto cc = [&](const std::string& s) {
      for (size_t i = 0; i < 4; ++i)
        out.push_back(i < s.size() ? static_cast<uint8_t>(s[i]) : 0x20);
    };
    uint32_t fieldsAt = 28 + 16 * static_cast<uint32_t>(Structs.size());
    uint32_t totalFields = 0;
    for (const auto& s : Structs) totalFields += static_cast<uint32_t>(s.Fields.size());
    const uint32_t dataOffset = fieldsAt + 12 * totalFields;
    cc(Magic);
    cc(Version);
    cc(Platform);
    cc(FileType);
    cc(FileVersion);
    u32(StructCountOverride >= 0 ? static_cast<uint32_t>(StructCountOverride)
                                 : static_cast<uint32_t>(Structs.size()));
    u32(DataOffsetOverride >= 0 ? static_cast<uint32_t>(DataOffsetOverride) : dataOffset);
    uint32_t at = fieldsAt;
    for (const auto& s : Structs) {
      cc(s.Tag);
      u32(static_cast<uint32_t>(s.Fields.size()));
      u32(s.Fields.empty() ? 0 : at);
      u32(s.Size);
      at += 12 * static_cast<uint32_t>(s.Fields.size());
    }
    for (const auto& s : Structs) {
      for (const auto& f : s.Fields) {
        u32(f.Label);
        out.push_back(static_cast<uint8_t>(f.TypeId));
        out.push_back(static_cast<uint8_t>(f.TypeId >> 8));
        out.push_back(static_cast<uint8_t>(f.Flags));
        out.push_back(static_cast<uint8_t>(f.Flags >> 8));
        u32(f.Offset);
      }
    }
    out.insert(out.end(), Data.begin(), Data.end());
    return out;
  }
};

}  // namespace tessary::test
