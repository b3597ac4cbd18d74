#pragma once
// Still pictures through FFmpeg: BMP, PNG, JPEG and GIF in (the first frame
// of an animated GIF), BMP, PNG, JPEG and GIF out.

#include <optional>
#include <string>

#include "base/Result.h"
#include "effects/Surface.h"

namespace movalux {

Result<Surface> readStillImage(const std::string& path);

enum class StillFormat { Bmp, Png, Jpeg, Gif };

// The format a name's extension stands for (.bmp, .png, .jpg/.jpeg, .gif,
// in any case); nothing for other names.
std::optional<StillFormat> stillFormatOf(const std::string& path);

// Writes to a temporary file beside the target and renames it over the
// target only when the whole picture was written. The format follows the
// extension.
Status writeStillImage(const Surface& picture, const std::string& path);
// As above in the given format, whatever the name. systemError receives the
// system's error number when the file could not be written (0 otherwise).
Status writeStillImage(const Surface& picture, const std::string& path, StillFormat format,
                       int* systemError = nullptr);

}  // namespace movalux
