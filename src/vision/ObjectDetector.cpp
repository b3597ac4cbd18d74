#include "vision/ObjectDetector.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <opencv2/imgproc.hpp>
#include <opencv2/objdetect.hpp>

namespace movalux {

std::vector<std::string> cascadeFolders() {
    std::vector<std::string> folders;
    if (const char* env = std::getenv("MOVALUX_CASCADES"); env != nullptr && *env != '\0')
        folders.emplace_back(env);
    folders.emplace_back("/usr/share/opencv4/haarcascades");
    folders.emplace_back("/usr/local/share/opencv4/haarcascades");
    return folders;
}

namespace {

// Pictures are searched at up to this width: the cascades find faces of
// 24 pixels and more, so a face a twentieth of a 1080p picture wide is
// still found, at a fraction of the cost.
constexpr int kSearchWidth = 960;

class CascadeDetector final : public ObjectDetector {
  public:
    CascadeDetector(cv::CascadeClassifier cascade, Target target)
        : cascade_(std::move(cascade)), target_(target) {}

    std::vector<PixelRect> find(const Surface& picture) override {
        if (picture.empty()) return {};
        const cv::Mat wrapped(picture.height(), picture.width(), CV_8UC4,
                              const_cast<uint8_t*>(picture.bytes()),
                              static_cast<size_t>(picture.bytesPerLine()));
        const double scale = std::min(1.0, static_cast<double>(kSearchWidth) / picture.width());
        if (scale < 1.0) {
            cv::resize(wrapped, reduced_, cv::Size(), scale, scale, cv::INTER_AREA);
            cv::cvtColor(reduced_, grey_, cv::COLOR_BGRA2GRAY);
        } else {
            cv::cvtColor(wrapped, grey_, cv::COLOR_BGRA2GRAY);
        }
        cv::equalizeHist(grey_, grey_);
        std::vector<cv::Rect> found;
        // Plates are wide and small: a finer scale step and fewer
        // neighbours than faces need.
        if (target_ == Target::Faces)
            cascade_.detectMultiScale(grey_, found, 1.1, 4, 0, cv::Size(20, 20));
        else
            cascade_.detectMultiScale(grey_, found, 1.05, 3, 0, cv::Size(30, 10));
        std::vector<PixelRect> out;
        out.reserve(found.size());
        for (const cv::Rect& r : found)
            out.push_back(PixelRect{static_cast<int32_t>(std::lround(r.x / scale)),
                                    static_cast<int32_t>(std::lround(r.y / scale)),
                                    static_cast<int32_t>(std::lround(r.width / scale)),
                                    static_cast<int32_t>(std::lround(r.height / scale))});
        std::sort(out.begin(), out.end(), [](const PixelRect& a, const PixelRect& b) {
            return a.y != b.y ? a.y < b.y : a.x < b.x;
        });
        return out;
    }

  private:
    cv::CascadeClassifier cascade_;
    Target target_;
    cv::Mat reduced_, grey_;
};

}  // namespace

std::unique_ptr<ObjectDetector> ObjectDetector::create(Target target, std::string& error) {
    const char* file = target == Target::Faces ? "haarcascade_frontalface_default.xml"
                                               : "haarcascade_russian_plate_number.xml";
    for (const std::string& folder : cascadeFolders()) {
        const std::filesystem::path path = std::filesystem::path(folder) / file;
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) continue;
        cv::CascadeClassifier cascade;
        if (!cascade.load(path.string())) {
            error = "cannot read " + path.string();
            return nullptr;
        }
        return std::make_unique<CascadeDetector>(std::move(cascade), target);
    }
    error = std::string(file) + " not found (the opencv-data package installs it)";
    return nullptr;
}

}  // namespace movalux
