// The text forms of table values. Independent of the user's regional
// settings: the decimal separator is always the full stop, so that a table
// read and saved again keeps its values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tessary {

// Room enough for any text FormatIntegerTo and FormatRealTo write.
inline constexpr size_t kNumberTextUnits = 32;

// Decimal digits, a minus sign for negative values, no grouping.
std::u16string FormatInteger(int32_t value);
// The same written into `out` (kNumberTextUnits code units); its length.
size_t FormatIntegerTo(int32_t value, char16_t* out);

// Leading blanks, one sign, then decimal digits or a hexadecimal prefix
// ("$", "x", "X", "0x", "0X") with hex digits, and nothing else. Values
// beyond 32 bits are refused; hexadecimal keeps the 32 bits ($FFFFFFFF is
// -1). An empty optional is a refusal.
std::optional<int32_t> ParseInteger(std::u16string_view text);

// The exact value of a float to 15 significant digits (the 18-digit string
// rounded at its 16th digit), fixed form for exponents -3 to 15, else
// scientific ("1.15292150460685E18"); "NAN", "INF", "-INF".
std::u16string FormatReal(float value);
size_t FormatRealTo(float value, char16_t* out);

// Blanks, a sign, digits with an optional full stop and digits, an optional
// exponent, blanks. Accumulated in extended precision; refused when out of
// the extended range.
std::optional<long double> ParseReal(std::u16string_view text);
// ParseReal in a given precision; long double is the 80-bit format on x86
// and may be the 64-bit one elsewhere. Instantiated for double and long
// double.
template <typename Real>
std::optional<Real> ParseRealAs(std::u16string_view text);

// The 32-bit float a table file stores for a cell of a float column:
// ParseReal's value rounded to the nearest float, or, for exactly the texts
// FormatReal writes for them, NaN ("NAN") and the infinities ("INF",
// "-INF"). Empty when the text is refused or its value does not fit a float
// (1e39); the file then stores 0.
std::optional<float> ParseStoredFloat(std::u16string_view text);

// Maps "A" to "Z" to "a" to "z"; every other code unit stays.
std::u16string AsciiLower(std::u16string_view text);

}  // namespace tessary
