#include "media/TempFiles.h"

#include <cstdlib>

namespace movalux {

std::filesystem::path mxTempFolder() {
    std::filesystem::path base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache) {
        base = cache;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::filesystem::path(home) / ".cache";
    } else {
        base = std::filesystem::temp_directory_path();
    }
    return base / "movalux" / "MXTemp";
}

std::filesystem::path waveTempPath() {
    return mxTempFolder() / "Wavetemp.avi";
}

}  // namespace movalux
