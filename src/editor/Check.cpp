// The check before publishing: every frame of a range drawn with its
// effects and searched for what should have been hidden.

#include <algorithm>
#include <memory>

#include "editor/Editor.h"
#include "vision/ObjectDetector.h"

namespace movalux {

Editor::CheckResult Editor::checkUncovered(int32_t first, int32_t last, bool faces, bool plates) {
    CheckResult result;
    if (MvOpen != kTrue) return result;
    std::unique_ptr<ObjectDetector> faceFinder, plateFinder;
    if (faces && !(faceFinder = ObjectDetector::create(ObjectDetector::Target::Faces, result.error)))
        return result;
    if (plates &&
        !(plateFinder = ObjectDetector::create(ObjectDetector::Target::Plates, result.error)))
        return result;
    if (first > last) std::swap(first, last);
    const int32_t keep = CurFlame;
    beginFrameJob();
    const uint32_t startMs = host_.timeGetTime();
    uint32_t shownMs = startMs;
    for (int32_t f = first; f <= last; ++f) {
        if (Idle) {
            result.paused = true;
            result.stoppedAt = f;
            break;
        }
        CurFlame = f;
        if (DspFrame2() < 0) {
            result.stoppedAt = f;
            break;
        }
        for (const auto& [finder, plate] :
             {std::pair{faceFinder.get(), false}, std::pair{plateFinder.get(), true}}) {
            if (finder == nullptr) continue;
            for (const PixelRect& r : finder->find(pictMain_))
                result.seen.push_back(Sighting{f, plate, r});
        }
        ++result.checked;
        const uint32_t now = host_.timeGetTime();
        if (now - shownMs >= 100) {
            shownMs = now;
            host_.Refresh(Picture::PictMain);
            reportFrameProgress("check", f - first + 1, static_cast<int64_t>(last) - first + 1,
                                startMs);
        }
        host_.DoEvents();
    }
    endFrameJob("check");
    // Back where the user was.
    CurFlame = keep;
    if (DspFrame2() >= 0) host_.Refresh(Picture::PictMain);
    return result;
}

}  // namespace movalux
