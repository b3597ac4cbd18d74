#pragma once
// The work folder MXTemp: $XDG_CACHE_HOME/movalux/MXTemp (default
// ~/.cache/movalux/MXTemp), since the program's own folder is not writable.

#include <filesystem>

namespace movalux {

std::filesystem::path mxTempFolder();
// The sound of a write, deleted when the movie is closed.
std::filesystem::path waveTempPath();

}  // namespace movalux
