#pragma once
// The overlay effects' loaders on the program's own readers: still
// pictures through StillImage, overlay movies through a second MovieSource.

#include <memory>

#include "effects/OverlayShared.h"

namespace movalux {

std::unique_ptr<OverlayMedia> makeOverlayMedia();

}  // namespace movalux
