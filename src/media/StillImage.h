#pragma once
// Still pictures through FFmpeg: BMP, PNG, JPEG and GIF in (the first frame
// of an animated GIF), BMP and PNG out, chosen by the name's extension.

#include <string>

#include "base/Result.h"
#include "effects/Surface.h"

namespace movalux {

Result<Surface> readStillImage(const std::string& path);

// Writes to a temporary file beside the target and renames it over the
// target only when the whole picture was written.
Status writeStillImage(const Surface& picture, const std::string& path);

}  // namespace movalux
