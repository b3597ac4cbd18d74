// Any bytes as an edit file: the reader must neither crash, nor touch memory
// it does not own, nor allocate without bound.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/Editor.h"
#include "host/NullHost.h"
#include "host/MemoryPanel.h"

namespace {

using namespace movalux;

// Questions are answered "No" and dialogs cancelled, as on the console.
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    NullHost host;
    MemoryPanel panel;
    Editor editor(host, panel);
    editor.readEditFileBytes(std::string_view(reinterpret_cast<const char*>(data), size), Editor::ReadOptions{false});
    return 0;
}
