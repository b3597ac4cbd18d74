#pragma once
// Silences FFmpeg's own console messages for programs whose output people or
// scripts read (movalux-cli, benchmarks); failures are reported in the
// program's own words.

namespace movalux {

void quietMediaLog();

}  // namespace movalux
