#include "editor/StillNames.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace movalux {

namespace {

bool allDigits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// The extension of the name's last part, with its dot ("" when none).
size_t extensionStart(std::string_view path) {
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string_view::npos ? 0 : slash + 1;
    const size_t dot = path.find_last_of('.');
    // A leading dot names a hidden file, not an extension.
    if (dot == std::string_view::npos || dot <= nameStart) return path.size();
    return dot;
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return out;
}

}  // namespace

std::string numberedStillName(std::string_view stem, int64_t number, std::string_view extension) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%03lld", static_cast<long long>(number));
    std::string out(stem);
    out += digits;
    out += extension;
    return out;
}

std::optional<NumberedStill> parseNumberedStill(const std::string& path) {
    const size_t ext = extensionStart(path);
    const size_t slash = path.find_last_of('/');
    const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    if (ext < nameStart + 3) return std::nullopt;
    const std::string_view digits = std::string_view(path).substr(ext - 3, 3);
    if (!allDigits(digits)) return std::nullopt;
    NumberedStill out;
    out.stem = path.substr(0, ext - 3);
    out.number = std::stoll(std::string(digits));
    out.extension = path.substr(ext);
    return out;
}

std::optional<int64_t> lastStillNumber(const NumberedStill& first, const std::string& lastPath) {
    const size_t ext = extensionStart(lastPath);
    const std::string_view body = std::string_view(lastPath).substr(0, ext);
    if (body.size() >= first.stem.size() + 3 && body.substr(0, first.stem.size()) == first.stem) {
        const std::string_view digits = body.substr(first.stem.size());
        // More digits than any frame number: not a number of this run.
        if (allDigits(digits) && digits.size() <= 9) return std::stoll(std::string(digits));
    }
    const auto own = parseNumberedStill(lastPath);
    if (!own) return std::nullopt;
    return own->number;
}

StillRunName stillRunName(const std::string& chosen) {
    const size_t ext = extensionStart(chosen);
    StillRunName out;
    out.stem = chosen.substr(0, ext);
    out.extension = lower(chosen.substr(ext)) == ".png" ? ".png" : ".bmp";
    return out;
}

}  // namespace movalux
