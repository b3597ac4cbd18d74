#pragma once
// The edit file as text: the item syntax for writing, the text encoding on
// reading, and a write that never loses the file it replaces.

#include <cstdint>
#include "base/FileTitle.h"
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"

namespace movalux {

inline constexpr const char* kEditFileMagic = "MovaluxMovieFile96320";
inline constexpr const char* kEditFileFilter = "TEXTﾌｧｲﾙ (*.txt)|*.txt";

// A float item: at most 7 significant digits, whole values without a point
// (12), fractions between -1 and 1 without the leading zero (.5, -.25), and
// the exponent form (1.5E+20, 1E-05) only below 1E-4 or from 1E+7 on.
std::string formatFloatItem(float v);
// The same, appended to a text being built.
void appendFloatItem(std::string& out, float v);

// Appends one line's items to a text being built: items joined by commas,
// strings quoted, the line ended by CR LF.
class LineBuilder {
  public:
    explicit LineBuilder(std::string& out) : out_(out) {}
    LineBuilder& str(std::string_view s);
    LineBuilder& integer(long long v);
    LineBuilder& real(float v);
    void end() {
        out_ += "\r\n";
        first_ = true;
    }

  private:
    void sep();
    std::string& out_;
    bool first_ = true;
};

// What a save writes, copied out of the project so that the text can be
// made away from it: the autosave makes it on another thread while the
// window goes on.
struct SavedResource {
    int16_t slot;
    float owner;  // the effect number that owns the slot
    int16_t value;
    std::string file;
};
// A record line. Its text is an index into EditFileContent::texts: a run of
// frames with the same text shares one copy, so the copy of a long timeline
// is plain numbers.
struct SavedRecord {
    int32_t frame;
    int16_t code;  // Kind + 100 x layer
    int16_t Param;
    float X, Y, W, H;
    uint32_t text;
};
struct EditFileContent {
    std::string movie;
    int32_t markedStart = 0, markedEnd = 0, firstFrame = 0, lastFrame = 0;
    int32_t rows = 60;
    std::vector<SavedResource> resources;  // in slot order
    std::vector<SavedRecord> records;      // by frame, then layer
    std::vector<std::string> texts;        // the records' texts
};

// The first text the item syntax cannot hold (one with a double quote,
// which would end its item early), or null when every text can be written.
const std::string* unwritableText(const EditFileContent& content);

// The file's text: the four head lines, the resource lines, the record lines.
std::string editFileText(const EditFileContent& content);

bool isValidUtf8(std::string_view bytes);

// The file's text in UTF-8: UTF-8 as it is (without a byte-order mark),
// anything else taken as the Japanese Windows code page CP932 and converted.
std::string decodeEditFileText(std::string_view bytes);

struct FileWriteError {
    int errorNumber;  // the classic run-time error number (61 disk full, 70 permission, 76 path, 75
                      // other)
    std::string message;
};

// Writes to a temporary file in the target's folder and renames it over the
// target only when every byte was written; a failure leaves the target as it
// was and removes the temporary file.
Result<bool> writeFileReplacing(const std::string& path, std::string_view data,
                                FileWriteError* error);


}  // namespace movalux
