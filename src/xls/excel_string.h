// The BIFF8 unicode string: a character count (1 or 2 bytes), an option
// byte, optional rich-text run count and far-east size, the characters
// (8-bit low bytes or 16-bit), the runs and the far-east data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// A rich-text run: from character FirstChar on, the text uses font FontIndex.
struct TRTFRun {
  uint16_t FirstChar = 0;
  uint16_t FontIndex = 0;
  bool operator==(const TRTFRun&) const = default;
};

struct TRichString {
  std::u16string Value;
  std::vector<TRTFRun> RTFRuns;
};

namespace xlstr {
inline constexpr uint8_t kWide = 0x01;      // 16-bit characters
inline constexpr uint8_t kFarEast = 0x04;   // far-east data follows
inline constexpr uint8_t kRichText = 0x08;  // rich-text runs follow
}  // namespace xlstr

class TExcelString {
 public:
  TExcelString() = default;
  // A string of `value` with no runs. The characters are 8-bit when all lie
  // in U+0000..U+00FF, unless `forceWide`. Fails with "StrLenLength should
  // be 1 or 2" for another count width and with "Invalid String record"
  // when a 1-byte count is given 256 or more characters (or any count more
  // than 65535).
  TExcelString(uint8_t strLenLength, std::u16string_view value, bool forceWide = false);

  // Reads a string from `data` at `offset`, advancing `offset`. Fails with
  // "Error reading record" when the string runs past the data.
  static TExcelString Parse(uint8_t strLenLength, std::span<const uint8_t> data, size_t& offset);

  std::u16string Value() const { return FValue; }
  void SetValue(std::u16string_view value);
  bool IsWide() const { return (OptionFlags & xlstr::kWide) != 0; }

  // The size of the written form.
  uint32_t TotalSize() const;
  // Appends the written form.
  void SaveToBytes(std::vector<uint8_t>& out) const;
  std::vector<uint8_t> ToBytes() const;

  uint8_t StrLenLength = 2;
  uint16_t StrLen = 0;
  uint8_t OptionFlags = 0;
  uint16_t NumberRichTextFormats = 0;
  uint32_t FarEastDataSize = 0;
  std::vector<uint8_t> RichTextFormats;  // 4 bytes per run
  std::vector<uint8_t> FarEastData;

 private:
  std::u16string FValue;
};

}  // namespace tessary
