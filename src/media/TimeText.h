#pragma once
// Frame counts shown as time, and the labels and ticks of the time ruler
// beside the overview slider (a strip of 471 units for the whole movie).

#include <cstdint>
#include <string>
#include <vector>

namespace movalux {

// ms = frames / rate * scale * 1000 rounded (ties to even), shown as
// "mm:ss:mmm". Minutes take as many digits as they need. Empty when the rate
// is 0 (no movie).
std::string timeText(int64_t frames, uint32_t rate, uint32_t scale);

// Whole seconds as "mm:ss".
std::string minutesSecondsText(int64_t seconds);

struct RulerLabel {
    std::string text;
    double y = 0;
};

struct TimeRuler {
    std::vector<RulerLabel> labels;  // "00:00" at the top, the length at the foot, 5 between
    std::vector<double> ticks;       // y of tick lines from x = kTickX0 to x = kTickX1
    static constexpr int kTickX0 = 28;
    static constexpr int kTickX1 = 32;
    bool empty() const { return labels.empty(); }
};

// The ruler for a movie of `frames` frames; a movie under 60 frames is
// scaled as if it had 60.
TimeRuler timeRuler(int64_t frames, uint32_t rate, uint32_t scale);

}  // namespace movalux
