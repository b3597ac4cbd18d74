#pragma once
// The arithmetic of key-frame interpolation and of the two fades: the value
// of one in-between frame i of a run from key frame s to key frame e (s < e).
// Sums are formed in double precision; geometry is kept as a float cut down
// (never rounded up) to hundredths, levels are rounded half to even.

#include <cstdint>
#include <string_view>

#include "model/EffRec.h"

namespace movalux {

// A geometry value (X, Y, W, H) on the line from a at s to b at e.
float interpolateGeometry(float a, float b, int32_t s, int32_t e, int32_t i);

// The level Param on the line from a at s to b at e.
int16_t interpolateParam(int16_t a, int16_t b, int32_t s, int32_t e, int32_t i);

// Fade-in: from 100 (fully transparent) at s towards p at e.
int16_t fadeInParam(int16_t p, int32_t s, int32_t e, int32_t i);

// Fade-out: from p0 at s, rising by (100 - p1) over the run.
int16_t fadeOutParam(int16_t p0, int16_t p1, int32_t s, int32_t e, int32_t i);

// Kind, X, Y, W, H and Param of in-between frame i from the key frames a and
// b; the text is left to the caller, which carries it over or asks the
// effect.
void interpolateRecord(const EffRec& a, const EffRec& b, int32_t s, int32_t e, int32_t i,
                       EffRec& r);

// What the interpolation hook's begin call passes for a key frame: the
// value of its text from the third character on, rounded to a whole number
// (0 when there is none).
int32_t hookTextValue(std::string_view text);

}  // namespace movalux
