#include "exchange/export_target.h"

#include <unicode/uchar.h>

#include <cmath>

namespace tessary {
namespace {

template <typename Char>
size_t NameStart(std::basic_string_view<Char> path) {
  constexpr Char kSeparators[] = {'\\', ':', '/', 0};
  const size_t sep = path.find_last_of(kSeparators);
  return sep == std::basic_string_view<Char>::npos ? 0 : sep + 1;
}

template <typename Char>
std::basic_string<Char> WithXlsExtension(std::basic_string_view<Char> path) {
  constexpr Char kXls[] = {'.', 'x', 'l', 's', 0};
  const size_t start = NameStart(path);
  const size_t dot = path.rfind(Char{'.'});
  if (dot != std::basic_string_view<Char>::npos && dot >= start) {
    return std::basic_string<Char>(path.substr(0, dot)) + kXls;
  }
  return std::basic_string<Char>(path) + kXls;
}

int32_t RoundTiesToEven(double value) {
  // nearbyint rounds in the current mode, which is to nearest, ties to even.
  const double r = std::nearbyint(value);
  return r < 1 ? 0 : static_cast<int32_t>(std::min(r, 2147483647.0));
}

}  // namespace

std::u16string ExportTargetPath(std::u16string_view documentPath) {
  return WithXlsExtension(documentPath);
}

std::filesystem::path ExportTargetFile(const std::filesystem::path& documentPath) {
  return WithXlsExtension(std::string_view(documentPath.native()));
}

std::u16string ExportSheetName(std::u16string_view targetPath) {
  return std::u16string(targetPath.substr(NameStart(targetPath), 27));
}

int32_t ExportColumnWidth(int32_t pixels, int32_t offset) {
  return RoundTiesToEven((static_cast<double>(pixels) - offset) * 256.0 / 7.0);
}

int32_t ExportRowHeight(int32_t pixels, int32_t offset) {
  return RoundTiesToEven((static_cast<double>(pixels) - offset) * 15.0);
}

std::u16string UpperSheetName(std::u16string_view name) {
  // One code unit for one, like the platform's in-place upper-casing:
  // simple case mapping, surrogates left as they are.
  std::u16string out(name);
  for (char16_t& c : out) {
    if (c < 0xD800 || c > 0xDFFF) c = static_cast<char16_t>(u_toupper(c));
  }
  return out;
}

}  // namespace tessary
