// movalux-cli testmovie OUT [--size WxH] [--fps F] [--frames N] [--sound]: a
// movie whose every frame shows its own number (as a bar code and in digits)
// on a colour of its own, with a 440 Hz tone when asked, so that tests and
// benchmarks can tell exactly which frame they were given.

#include <cmath>
#include <filesystem>
#include <iostream>
#include <numbers>
#include <vector>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "cli/StoryPicture.h"
#include "effects/Surface.h"
#include "media/MediaLog.h"
#include "media/MovieWriter.h"
#include "media/TestPattern.h"

namespace movalux::cli {

namespace {

constexpr const char* kUsage =
    "usage: movalux-cli testmovie OUT [--size WxH] [--fps F] [--frames N] [--sound]\n"
    "                             [--codec NAME] [--gop N] [--bframes N] [--open-gop] [--story]\n"
    "                             [--force]\n"
    "  --story: the sample's street (640x360) instead of numbered frames\n";

bool parseSize(const std::string& text, int& w, int& h) {
    auto x = text.find('x');
    if (x == std::string::npos) return false;
    auto pw = parseInteger(text.substr(0, x));
    auto ph = parseInteger(text.substr(x + 1));
    if (!pw || !ph || *pw < 16 || *ph < 16 || *pw > 8192 || *ph > 8192) return false;
    w = static_cast<int>(*pw);
    h = static_cast<int>(*ph);
    return true;
}

// 29.97 and the like as the exact NTSC fractions; other rates in thousandths.
void rateFraction(double fps, int& num, int& den) {
    for (double base : {24.0, 30.0, 60.0}) {
        if (std::abs(fps - base * 1000 / 1001) < 0.005) {
            num = static_cast<int>(base * 1000);
            den = 1001;
            return;
        }
    }
    if (std::abs(fps - std::round(fps)) < 1e-9) {
        num = static_cast<int>(std::round(fps));
        den = 1;
        return;
    }
    num = static_cast<int>(std::round(fps * 1000));
    den = 1000;
}

}  // namespace

int testMovieCommand(const Args& argsIn) {
    quietMediaLog();
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    MovieWriterOptions o;
    o.sound = takeFlag(args, "--sound");
    o.openGop = takeFlag(args, "--open-gop");
    const bool story = takeFlag(args, "--story");
    std::string size = story ? "640x360" : "320x240", fps = "25", frames = "50", gop, bframes;
    bool missing = false;
    takeOption(args, "--size", size, missing);
    takeOption(args, "--fps", fps, missing);
    takeOption(args, "--frames", frames, missing);
    takeOption(args, "--codec", o.videoCodec, missing);
    const bool haveGop = takeOption(args, "--gop", gop, missing);
    const bool haveB = takeOption(args, "--bframes", bframes, missing);
    const auto rate = parseNumber(fps);
    const auto count = parseInteger(frames);
    const auto gopValue = haveGop ? parseInteger(gop) : std::optional<int64_t>(12);
    const auto bValue = haveB ? parseInteger(bframes) : std::optional<int64_t>(2);
    if (missing || args.size() != 1 || !parseSize(size, o.width, o.height) || !rate || *rate < 1 ||
        *rate > 240 || !count || *count < 1 || *count > 65535 || !gopValue || *gopValue < 1 ||
        *gopValue > 1000 || !bValue || *bValue < 0 || *bValue > 16) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    const std::string& out = args[0];
    std::error_code ec;
    if (!force && std::filesystem::exists(out, ec)) {
        std::cerr << "movalux-cli testmovie: " << out << " exists; use --force to replace it\n";
        return kExitFailure;
    }
    rateFraction(*rate, o.fpsNum, o.fpsDen);
    o.keyInterval = static_cast<int>(*gopValue);
    o.maxBFrames = static_cast<int>(*bValue);
    o.quality = 3;
    auto writer = MovieWriter::create(out, o);
    if (!writer) {
        std::cerr << "movalux-cli testmovie: " << writer.error() << '\n';
        return kExitFailure;
    }
    MovieWriter& w = **writer;
    Surface picture(o.width, o.height);
    const int sampleRate = w.sampleRate();
    std::vector<int16_t> tone;
    int64_t samplesDone = 0;
    for (int32_t n = 0; n < static_cast<int32_t>(*count); ++n) {
        if (story)
            drawStoryFrame(picture, n);
        else
            drawTestFrame(picture, n);
        if (Status st = w.writeFrame(picture); !st) {
            std::cerr << "movalux-cli testmovie: " << st.error() << '\n';
            return kExitFailure;
        }
        if (o.sound) {
            // The sound of frames 0..n, so that the tone keeps pace with the
            // pictures whatever the rate.
            const int64_t upTo = (static_cast<int64_t>(n) + 1) * sampleRate * o.fpsDen / o.fpsNum;
            tone.clear();
            for (; samplesDone < upTo; ++samplesDone) {
                const double t = static_cast<double>(samplesDone) / sampleRate;
                const auto v = static_cast<int16_t>(
                    std::lround(8000 * std::sin(2 * std::numbers::pi * 440 * t)));
                tone.push_back(v);
                tone.push_back(v);
            }
            if (Status st = w.writeSound(tone); !st) {
                std::cerr << "movalux-cli testmovie: " << st.error() << '\n';
                return kExitFailure;
            }
        }
    }
    if (Status st = w.finish(); !st) {
        std::cerr << "movalux-cli testmovie: " << st.error() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace movalux::cli
