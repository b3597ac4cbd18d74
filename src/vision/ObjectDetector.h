#pragma once
// Finds faces or number plates in a picture with the cascades that the
// system's OpenCV data ships. Behind this interface so that the library's
// headers stay in this folder.

#include <memory>
#include <string>
#include <vector>

#include "effects/Surface.h"
#include "vision/RegionTracker.h"

namespace movalux {

class ObjectDetector {
  public:
    enum class Target { Faces, Plates };

    // Null with `error` set when the cascade file cannot be found or read.
    static std::unique_ptr<ObjectDetector> create(Target target, std::string& error);
    virtual ~ObjectDetector() = default;

    // Every object found, in picture pixels.
    virtual std::vector<PixelRect> find(const Surface& picture) = 0;
};

// Where the cascades are looked for: MOVALUX_CASCADES, then the system's
// OpenCV data folders.
std::vector<std::string> cascadeFolders();

}  // namespace movalux
