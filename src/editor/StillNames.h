#pragma once
// Names of numbered picture runs: a stem, a number of at least three digits,
// an extension ("Picture1" + 5 + ".bmp" is "Picture1005.bmp").

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace movalux {

std::string numberedStillName(std::string_view stem, int64_t number, std::string_view extension);

// A picture's name split as the first of a run: the three characters before
// the extension are the number. Nothing when they are not three digits.
struct NumberedStill {
    std::string stem;  // folder and name up to the number
    int64_t number = 0;
    std::string extension;  // with its dot, as written; may be empty
};
std::optional<NumberedStill> parseNumberedStill(const std::string& path);

// The number of the last picture of the run that `first` begins. A name of
// that run is the stem followed by digits, so "img1010.png" ends the run of
// "img990.png" at 1010 (its last three digits alone would say 10). A name of
// another stem counts by its last three digits.
std::optional<int64_t> lastStillNumber(const NumberedStill& first, const std::string& lastPath);

// The stem and extension for saving a run under a chosen name: the
// extension is dropped from the name; ".png" names give PNG pictures,
// every other name BMP.
struct StillRunName {
    std::string stem;
    std::string extension;  // ".bmp" or ".png"
};
StillRunName stillRunName(const std::string& chosen);

}  // namespace movalux
