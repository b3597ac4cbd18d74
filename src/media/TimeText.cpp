#include "media/TimeText.h"

#include <cmath>
#include <cstdio>

namespace movalux {

namespace {

constexpr double kRulerUnits = 471;
constexpr double kTickLimit = 475;

// The "00" format: at least two digits.
std::string twoDigits(int64_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, v < 0 ? "-%02lld" : "%02lld",
                  static_cast<long long>(v < 0 ? -v : v));
    return buf;
}

int64_t roundEven(double v) {
    return static_cast<int64_t>(std::nearbyint(v));
}

}  // namespace

std::string timeText(int64_t frames, uint32_t rate, uint32_t scale) {
    if (rate == 0) return {};
    const int64_t ms = roundEven(static_cast<double>(frames) / rate * scale * 1000);
    const int64_t minutes = ms / 60000;
    const int64_t seconds = ms / 1000;
    char millis[32];
    std::snprintf(millis, sizeof millis, "%03lld", static_cast<long long>(ms - 1000 * seconds));
    return twoDigits(minutes) + ":" + twoDigits(seconds - 60 * minutes) + ":" + millis;
}

std::string minutesSecondsText(int64_t seconds) {
    const int64_t minutes = seconds / 60;
    return twoDigits(minutes) + ":" + twoDigits(seconds - 60 * minutes);
}

TimeRuler timeRuler(int64_t frames, uint32_t rate, uint32_t scale) {
    TimeRuler r;
    if (rate == 0) return r;
    if (frames < 60) frames = 60;
    // A very high frame rate could round the length to 0 seconds; the
    // ruler then spans one second rather than dividing by zero.
    const int64_t S = std::max<int64_t>(1, roundEven(static_cast<double>(frames) / rate * scale));
    r.labels.push_back({"00:00", 14});
    r.labels.push_back({minutesSecondsText(S), 483});
    int64_t step = 5 * static_cast<int64_t>(std::floor(std::floor(S / 5.0 + 0.5) / 5));
    if (step == 0) step = 5;
    for (int i = 1; i <= 5; ++i) {
        const double y = 13 + kRulerUnits * static_cast<double>(i * step) / static_cast<double>(S);
        r.labels.push_back({minutesSecondsText(i * step), y});
    }
    const int64_t p = roundEven(static_cast<double>(step) / static_cast<double>(S) * kRulerUnits);
    if (p <= 0) return r;
    for (int64_t j = 0; static_cast<double>(j * p) / 5 <= kTickLimit; ++j)
        r.ticks.push_back(17 + static_cast<double>(j * p) / 5);
    return r;
}

}  // namespace movalux
