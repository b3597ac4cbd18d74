#pragma once
// The edit file as text: the item syntax for writing, the text encoding on
// reading, and a write that never loses the file it replaces.

#include "base/FileTitle.h"
#include <string>
#include <string_view>

#include "base/Result.h"

namespace movalux {

inline constexpr const char* kEditFileMagic = "MovaluxMovieFile96320";
inline constexpr const char* kEditFileFilter = "TEXTﾌｧｲﾙ (*.txt)|*.txt";

// A float item: at most 7 significant digits, whole values without a point
// (12), fractions between -1 and 1 without the leading zero (.5, -.25), and
// the exponent form (1.5E+20, 1E-05) only below 1E-4 or from 1E+7 on.
std::string formatFloatItem(float v);

// Appends one line's items to a text being built: items joined by commas,
// strings quoted, the line ended by CR LF.
class LineBuilder {
public:
    explicit LineBuilder(std::string& out) : out_(out) {}
    LineBuilder& str(std::string_view s);
    LineBuilder& integer(long long v);
    LineBuilder& real(float v);
    void end() { out_ += "\r\n"; first_ = true; }

private:
    void sep();
    std::string& out_;
    bool first_ = true;
};

bool isValidUtf8(std::string_view bytes);

// The file's text in UTF-8: UTF-8 as it is (without a byte-order mark),
// anything else taken as the Japanese Windows code page CP932 and converted.
std::string decodeEditFileText(std::string_view bytes);

struct FileWriteError {
    int errorNumber;  // the classic run-time error number (61 disk full, 70 permission, 76 path, 75 other)
    std::string message;
};

// Writes to a temporary file in the target's folder and renames it over the
// target only when every byte was written; a failure leaves the target as it
// was and removes the temporary file.
Result<bool> writeFileReplacing(const std::string& path, std::string_view data, FileWriteError* error);


}  // namespace movalux
