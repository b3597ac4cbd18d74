#include "media/MediaLog.h"

#include <atomic>

extern "C" {
#include <libavutil/log.h>
}

namespace movalux {

namespace {
std::atomic<bool> verbose{false};
}  // namespace

void quietMediaLog() {
    if (!verbose) av_log_set_level(AV_LOG_FATAL);
}

void verboseMediaLog() {
    verbose = true;
    av_log_set_level(AV_LOG_INFO);
}

}  // namespace movalux
