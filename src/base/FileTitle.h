#pragma once
// The name part of a path, as the panels and messages show a file.

#include <string>
#include <string_view>

namespace movalux {

// The characters after the last "\" or "/" ("" for an empty path).
inline std::string FileTitle(std::string_view path) {
    const size_t cut = path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

}  // namespace movalux
