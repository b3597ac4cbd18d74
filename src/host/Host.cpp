#include "host/Host.h"

#include <chrono>
#include <thread>

namespace movalux {

void Host::WaitEvents(uint32_t maxMs) {
    DoEvents();
    // Short naps keep a waiting loop responsive to what DoEvents delivers.
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min<uint32_t>(maxMs, 5)));
}

}  // namespace movalux
