#pragma once
// Numbers to and from the texts that users type and see: rounding with ties
// to even, the leading numeric value of a text box, and the "##0" style
// formats of the coordinate boxes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace movalux {

// Round to nearest, ties to even, as every float-to-integer conversion of the
// program does. Out-of-range values saturate instead of being undefined.
int32_t roundHalfEven32(double v);
int16_t roundHalfEven16(double v);

// Integer division of a non-negative sum by a positive count, rounded to the
// nearest with ties to even; exact, no floating point.
inline int64_t divRoundHalfEven(int64_t sum, int64_t count) {
    int64_t q = sum / count;
    int64_t r2 = 2 * (sum - q * count);
    if (r2 > count || (r2 == count && (q & 1))) ++q;
    return q;
}

// The leading numeric value of a text ("12abc" -> 12, "" -> 0, " -3.5" ->
// -3.5, "1e3" -> 1000); text boxes are read this way.
double leadingValue(std::string_view text);

// Strict number parsing for file items and command lines: the whole text must
// be the number (".5" and "-.25" are accepted).
std::optional<double> parseNumber(std::string_view text);
std::optional<int64_t> parseInteger(std::string_view text);

// The coordinate boxes' formats: "##0" (no decimals) and "##0.0" (one
// decimal). Halves round away from zero, as display formats traditionally do.
std::string formatFixed(double v, int decimals);

// The shortest plain decimal text of a number for boxes that show a number
// without a format ("12", "12.5", "-0.25").
std::string plainNumberText(double v);

}  // namespace movalux
