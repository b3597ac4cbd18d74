#include "editor/OverlayMedia.h"

#include "media/MovieSource.h"
#include "media/StillImage.h"

namespace movalux {

namespace {

class SourceMovie : public OverlayMovie {
  public:
    explicit SourceMovie(std::unique_ptr<MovieSource> source) : source_(std::move(source)) {}
    int width() const override { return source_->info().width; }
    int height() const override { return source_->info().height; }
    double frameRate() const override { return source_->info().frameRate; }
    int32_t frameCount() const override { return source_->info().frameCount; }
    bool paintFrame(int32_t frame, Surface& picture) override {
        return source_->paintFrame(frame, picture);
    }

  private:
    std::unique_ptr<MovieSource> source_;
};

class FfmpegOverlayMedia : public OverlayMedia {
  public:
    Result<Surface> loadPicture(const std::string& path) override { return readStillImage(path); }
    Result<std::unique_ptr<OverlayMovie>> openMovie(const std::string& path) override {
        auto opened = MovieSource::open(path);
        if (!opened) return Error{opened.error()};
        if (!(*opened)->info().hasVideo || (*opened)->info().width <= 0 ||
            (*opened)->info().height <= 0)
            return Error{"no picture in the movie: " + path};
        return std::unique_ptr<OverlayMovie>(std::make_unique<SourceMovie>(std::move(*opened)));
    }
};

}  // namespace

std::unique_ptr<OverlayMedia> makeOverlayMedia() {
    return std::make_unique<FfmpegOverlayMedia>();
}

}  // namespace movalux
