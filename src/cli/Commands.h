#pragma once
// The commands of movalux-cli. Each returns the exit status: 0 success,
// 1 failure (message on stderr), 2 usage error.

#include <string>
#include <vector>

namespace movalux::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
// check: something that should be hidden can still be seen.
inline constexpr int kExitFound = 3;
// Ended by Ctrl-C (128 + SIGINT), as shells report it.
inline constexpr int kExitInterrupted = 130;

using Args = std::vector<std::string>;

int applyCommand(const Args& args);
int testPictureCommand(const Args& args);
int testMovieCommand(const Args& args);
int probeCommand(const Args& args);
int resaveCommand(const Args& args);
int hokanCommand(const Args& args);
int trackCommand(const Args& args);
int checkCommand(const Args& args);
int detectCommand(const Args& args);
int frameCommand(const Args& args);
int renderCommand(const Args& args);
int soundCommand(const Args& args);
int convertCommand(const Args& args);
int stillsCommand(const Args& args);
int fromStillsCommand(const Args& args);

// Splits "--force" style flags off the positional arguments.
bool takeFlag(Args& args, const std::string& flag);
// Takes "--name VALUE"; false with an error when VALUE is missing.
bool takeOption(Args& args, const std::string& name, std::string& value, bool& missingValue);

}  // namespace movalux::cli

namespace movalux {
class Editor;
namespace cli {
// "--adjust V": the frame-rate adjustment of the window's dialog, with its
// range (-100 to 100) and its message; false when refused.
bool applyAdjustment(Editor& editor, const std::string& command, const std::string& text);
// Reads a whole edit file and opens its movie; false, with the reason on
// stderr, when either fails.
bool readWholeWithMovie(Editor& editor, const std::string& path, const std::string& command);
}  // namespace cli
}  // namespace movalux

namespace movalux {
class Surface;
namespace cli {
Surface makeTestPicture(int width, int height);
}
}  // namespace movalux
