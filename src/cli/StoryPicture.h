#pragma once
// The sample movie's picture: a street where a person walks right and a car
// with a number plate drives left, beside a shop sign with a telephone
// number: what an editor hides before publishing. The places move in
// straight lines, so that key frames at both ends and interpolation cover
// them exactly (scripts/make-sample writes that edit file).

#include <cstdint>

namespace movalux {
class Surface;
}

namespace movalux::cli {

struct StoryPlaces {
    int faceX = 0, faceY = 0;    // the centre of the face (34 x 44 pixels half-axes)
    int carX = 0;                // the car's left edge
    int plateX = 0, plateY = 0;  // the plate's top left corner (93 x 25 pixels)
};

// Where things are in frame n of a 640 x 360 picture.
StoryPlaces storyPlaces(int32_t n);

// Draws frame n over the whole picture (made for 640 x 360).
void drawStoryFrame(Surface& picture, int32_t n);

}  // namespace movalux::cli
