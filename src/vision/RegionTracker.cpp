#include "vision/RegionTracker.h"

#include <algorithm>
#include <cmath>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/tracking.hpp>

namespace movalux {

double overlapRatio(const PixelRect& a, const PixelRect& b) {
    const int64_t x0 = std::max(a.x, b.x), y0 = std::max(a.y, b.y);
    const int64_t x1 = std::min<int64_t>(int64_t{a.x} + a.w, int64_t{b.x} + b.w);
    const int64_t y1 = std::min<int64_t>(int64_t{a.y} + a.h, int64_t{b.y} + b.h);
    const int64_t inter = std::max<int64_t>(0, x1 - x0) * std::max<int64_t>(0, y1 - y0);
    const int64_t uni = int64_t{a.w} * a.h + int64_t{b.w} * b.h - inter;
    return uni > 0 ? static_cast<double>(inter) / static_cast<double>(uni) : 0.0;
}

namespace {

// Large pictures are followed at a reduced size: the trackers' cost grows
// with the region's pixels, and a face or a plate keeps enough detail at
// half of 1080p.
constexpr int kLongestSide = 960;

class CvTracker final : public RegionTracker {
  public:
    explicit CvTracker(Kind kind) : kind_(kind) {}

    bool start(const Surface& picture, const PixelRect& region) override {
        if (picture.empty()) return false;
        width_ = picture.width();
        height_ = picture.height();
        scale_ = std::min(1.0, static_cast<double>(kLongestSide) / std::max(width_, height_));
        const cv::Rect box = toWork(region);
        if (box.width < 4 || box.height < 4) return false;
        if (kind_ == Kind::Accurate) {
            cv::TrackerCSRT::Params p;
            p.psr_threshold = 0.06f;  // a little more patient than the default before it gives up
            tracker_ = cv::TrackerCSRT::create(p);
        } else {
            tracker_ = cv::TrackerKCF::create();
        }
        tracker_->init(workPicture(picture), box);
        return true;
    }

    std::optional<PixelRect> follow(const Surface& picture) override {
        if (!tracker_ || picture.width() != width_ || picture.height() != height_)
            return std::nullopt;
        cv::Rect box;
        if (!tracker_->update(workPicture(picture), box)) return std::nullopt;
        PixelRect r{static_cast<int32_t>(std::lround(box.x / scale_)),
                    static_cast<int32_t>(std::lround(box.y / scale_)),
                    static_cast<int32_t>(std::lround(box.width / scale_)),
                    static_cast<int32_t>(std::lround(box.height / scale_))};
        // Content that has left the picture is lost, not followed outside it.
        const PixelRect whole{0, 0, width_, height_};
        if (r.w <= 0 || r.h <= 0 || overlapRatio(r, whole) <= 0) return std::nullopt;
        return r;
    }

  private:
    cv::Rect toWork(const PixelRect& r) const {
        cv::Rect box(static_cast<int>(std::lround(r.x * scale_)), static_cast<int>(std::lround(r.y * scale_)),
                     static_cast<int>(std::lround(r.w * scale_)), static_cast<int>(std::lround(r.h * scale_)));
        const cv::Size size(static_cast<int>(std::lround(width_ * scale_)),
                            static_cast<int>(std::lround(height_ * scale_)));
        return box & cv::Rect(cv::Point(0, 0), size);
    }

    // Our pictures are 0xFFRRGGBB words: in memory B, G, R, A, which the
    // library reads as its usual BGRA without a copy; its trackers want
    // three channels.
    const cv::Mat& workPicture(const Surface& picture) {
        const cv::Mat wrapped(picture.height(), picture.width(), CV_8UC4,
                              const_cast<uint8_t*>(picture.bytes()),
                              static_cast<size_t>(picture.bytesPerLine()));
        if (scale_ < 1.0) {
            cv::resize(wrapped, reduced_, cv::Size(), scale_, scale_, cv::INTER_AREA);
            cv::cvtColor(reduced_, bgr_, cv::COLOR_BGRA2BGR);
        } else {
            cv::cvtColor(wrapped, bgr_, cv::COLOR_BGRA2BGR);
        }
        return bgr_;
    }

    Kind kind_;
    cv::Ptr<cv::Tracker> tracker_;
    int width_ = 0, height_ = 0;
    double scale_ = 1.0;
    cv::Mat reduced_, bgr_;
};

}  // namespace

std::unique_ptr<RegionTracker> RegionTracker::create(Kind kind) {
    return std::make_unique<CvTracker>(kind);
}

}  // namespace movalux
