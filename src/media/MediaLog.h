#pragma once
// Silences FFmpeg's own console messages for programs whose output people or
// scripts read (movalux-cli, benchmarks); failures are reported in the
// program's own words. movalux-cli --verbose keeps them.

namespace movalux {

void quietMediaLog();
// FFmpeg's messages from now on, and quietMediaLog() no longer silences them.
void verboseMediaLog();

}  // namespace movalux
