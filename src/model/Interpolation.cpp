#include "model/Interpolation.h"

#include <cmath>

#include "base/NumberText.h"

namespace movalux {

namespace {

// The position of frame i along the run, as the system forms it: the
// difference divided by the run length first, then multiplied by the
// distance, so that halves come out exactly where the system's do.
double along(double difference, int32_t s, int32_t e, int32_t i) {
    const double length = static_cast<double>(e) - static_cast<double>(s);
    return difference / length * (static_cast<double>(i) - static_cast<double>(s));
}

// Differences of two levels. The system forms them in 16 bits, which
// overflows for levels far apart on either side of 0 (its error then left
// a run half written); the exact difference gives the same value wherever
// the 16-bit one exists.
int32_t levelDifference(int32_t minuend, int32_t subtrahend) {
    return minuend - subtrahend;
}

}  // namespace

float interpolateGeometry(float a, float b, int32_t s, int32_t e, int32_t i) {
    const auto onLine = static_cast<float>(
        along(static_cast<double>(b) - static_cast<double>(a), s, e, i) + static_cast<double>(a));
    // Cut down from the stored float, also below 0: -3.333 becomes -3.34.
    return static_cast<float>(std::floor(static_cast<double>(onLine) * 100.0) / 100.0);
}

int16_t interpolateParam(int16_t a, int16_t b, int32_t s, int32_t e, int32_t i) {
    return roundHalfEven16(along(levelDifference(b, a), s, e, i) + a);
}

int16_t fadeInParam(int16_t p, int32_t s, int32_t e, int32_t i) {
    return roundHalfEven16(along(levelDifference(p, 100), s, e, i) + 100.0);
}

int16_t fadeOutParam(int16_t p0, int16_t p1, int32_t s, int32_t e, int32_t i) {
    return roundHalfEven16(along(levelDifference(100, p1), s, e, i) + p0);
}

void interpolateRecord(const EffRec& a, const EffRec& b, int32_t s, int32_t e, int32_t i,
                       EffRec& r) {
    r.Kind = a.Kind;
    r.X = interpolateGeometry(a.X, b.X, s, e, i);
    r.Y = interpolateGeometry(a.Y, b.Y, s, e, i);
    r.W = interpolateGeometry(a.W, b.W, s, e, i);
    r.H = interpolateGeometry(a.H, b.H, s, e, i);
    r.Param = interpolateParam(a.Param, b.Param, s, e, i);
}

int32_t hookTextValue(std::string_view text) {
    // Skip two characters, not two bytes: a text may start with a
    // multi-byte character.
    size_t pos = 0;
    for (int skipped = 0; skipped < 2 && pos < text.size(); ++skipped) {
        ++pos;
        while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
    }
    return roundHalfEven32(leadingValue(text.substr(pos)));
}

}  // namespace movalux
