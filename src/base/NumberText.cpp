#include "base/NumberText.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace movalux {

namespace {

template <class Int>
Int saturatingRound(double v) {
    if (std::isnan(v)) return 0;
    // nearbyint honours the rounding mode, which the program never changes
    // from the default round-to-nearest-even.
    double r = std::nearbyint(v);
    if (r <= static_cast<double>(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    if (r >= static_cast<double>(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(r);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Length of the longest numeric prefix of s (sign, digits, one point,
// optional exponent with at least one digit); 0 when there is none.
size_t numericPrefix(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        size_t expDigits = 0;
        while (j < s.size() && isDigit(s[j])) ++j, ++expDigits;
        if (expDigits > 0) i = j;
    }
    return i;
}

double toDouble(std::string_view s) {
    // from_chars rejects a leading '+'.
    if (!s.empty() && s[0] == '+') s.remove_prefix(1);
    double v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec == std::errc::result_out_of_range) {
        return (!s.empty() && s[0] == '-') ? -HUGE_VAL : HUGE_VAL;
    }
    (void)ptr;
    return v;
}

}  // namespace

int32_t roundHalfEven32(double v) { return saturatingRound<int32_t>(v); }
int16_t roundHalfEven16(double v) { return saturatingRound<int16_t>(v); }

double leadingValue(std::string_view text) {
    size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
    std::string_view rest = text.substr(start);
    size_t n = numericPrefix(rest);
    if (n == 0) return 0.0;
    return toDouble(rest.substr(0, n));
}

std::optional<double> parseNumber(std::string_view text) {
    size_t n = numericPrefix(text);
    if (n == 0 || n != text.size()) return std::nullopt;
    double v = toDouble(text);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<int64_t> parseInteger(std::string_view text) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    int64_t v = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return std::nullopt;
    return v;
}

std::string formatFixed(double v, int decimals) {
    double scale = std::pow(10.0, decimals);
    double scaled = std::round(v * scale);  // halves away from zero
    if (scaled == 0) scaled = 0;            // no "-0"
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, scaled / scale);
    return buf;
}

std::string plainNumberText(double v) {
    if (v == 0) return "0";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.7g", v);
    return buf;
}

}  // namespace movalux
