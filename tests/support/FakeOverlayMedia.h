#pragma once
// Overlay loaders without files: pictures by path from a map, movies whose
// frame n is a flat colour that encodes n. Every load is counted.

#include <map>
#include <memory>
#include <string>

#include "effects/OverlayShared.h"

namespace movalux::test {

// The colour of a fake movie's frame n.
inline uint32_t fakeFrameColour(int32_t n) {
    return rgb(n & 255, (n >> 8) & 255, 77);
}
inline int32_t fakeFrameOf(uint32_t pixel) {
    return redOf(pixel) | greenOf(pixel) << 8;
}

class FakeOverlayMovie : public OverlayMovie {
  public:
    FakeOverlayMovie(int w, int h, double rate, int32_t frames)
        : w_(w), h_(h), rate_(rate), frames_(frames) {}
    int width() const override { return w_; }
    int height() const override { return h_; }
    double frameRate() const override { return rate_; }
    int32_t frameCount() const override { return frames_; }
    bool paintFrame(int32_t frame, Surface& picture) override {
        ++*paints;
        if (frame < 0 || frame >= frames_) return false;
        picture.fill(fakeFrameColour(frame));
        return true;
    }
    std::shared_ptr<int> paints = std::make_shared<int>(0);

  private:
    int w_, h_;
    double rate_;
    int32_t frames_;
};

class FakeOverlayMedia : public OverlayMedia {
  public:
    std::map<std::string, Surface> pictures;
    struct MovieSpec {
        int w = 32, h = 24;
        double rate = 30;
        int32_t frames = 100;
    };
    std::map<std::string, MovieSpec> movies;
    int pictureLoads = 0;
    int movieOpens = 0;
    std::shared_ptr<int> paints = std::make_shared<int>(0);

    Result<Surface> loadPicture(const std::string& path) override {
        ++pictureLoads;
        auto it = pictures.find(path);
        if (it == pictures.end()) return Error{"cannot read " + path};
        return it->second;
    }
    Result<std::unique_ptr<OverlayMovie>> openMovie(const std::string& path) override {
        ++movieOpens;
        auto it = movies.find(path);
        if (it == movies.end()) return Error{"cannot read " + path};
        auto m = std::make_unique<FakeOverlayMovie>(it->second.w, it->second.h, it->second.rate,
                                                    it->second.frames);
        m->paints = paints;
        return std::unique_ptr<OverlayMovie>(std::move(m));
    }
};

}  // namespace movalux::test
