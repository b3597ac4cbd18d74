#pragma once
// The classic run-time error numbers that messages show ("エラー(PIC1)61が
// 発生しました"), from the system's error numbers.

#include <cerrno>

namespace movalux {

inline int classicErrorNumber(int err) {
    switch (err) {
        case ENOSPC:
        case EFBIG:
        case EDQUOT:
            return 61;  // disk full
        case EACCES:
        case EPERM:
        case EROFS:
            return 70;  // permission denied
        case ENOENT:
        case ENOTDIR:
            return 76;  // path not found
        default:
            return 75;  // path/file access error
    }
}

inline constexpr int kErrFileNotFound = 53;
inline constexpr int kErrInvalidPicture = 481;

}  // namespace movalux
