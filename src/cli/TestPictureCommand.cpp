// movalux-cli testpicture OUT [--size WxH]: a colourful picture with fine
// detail, so that every effect shows on it.

#include <filesystem>
#include <iostream>

#include "base/NumberText.h"
#include "cli/Commands.h"
#include "effects/RasterOps.h"
#include "media/StillImage.h"

namespace movalux::cli {

namespace {

constexpr const char* kUsage = "usage: movalux-cli testpicture OUT [--size WxH] [--force]\n";

bool parseSize(const std::string& text, int& w, int& h) {
    auto x = text.find('x');
    if (x == std::string::npos) return false;
    auto pw = parseInteger(text.substr(0, x));
    auto ph = parseInteger(text.substr(x + 1));
    if (!pw || !ph || *pw < 1 || *ph < 1 || *pw > 16384 || *ph > 16384) return false;
    w = static_cast<int>(*pw);
    h = static_cast<int>(*ph);
    return true;
}

}  // namespace

Surface makeTestPicture(int w, int h) {
    Surface s(w, h);
    for (int y = 0; y < h; ++y) {
        uint32_t* row = s.row(y);
        for (int x = 0; x < w; ++x) {
            int r = x * 255 / std::max(1, w - 1);
            int g = y * 255 / std::max(1, h - 1);
            int b = ((x / 16 + y / 16) & 1) ? 200 : 60;
            row[x] = rgb(r, g, b);
        }
    }
    for (int x = 0; x < w; x += 32) DrawLine(s, x, 0, x, h - 1, kWhite, DrawMode::CopyPen);
    for (int y = 0; y < h; y += 32) DrawLine(s, 0, y, w - 1, y, kWhite, DrawMode::CopyPen);
    DrawEllipse(s, w / 2.0, h / 2.0, std::min(w, h) / 4.0, 1.0, kBlack, DrawMode::CopyPen);
    FloodFill(s, w / 2, h / 2, kBlack, FloodType::Border, rgb(250, 210, 40));
    return s;
}

int testPictureCommand(const Args& argsIn) {
    Args args = argsIn;
    const bool force = takeFlag(args, "--force");
    std::string size = "640x360";
    bool missing = false;
    takeOption(args, "--size", size, missing);
    int w = 0, h = 0;
    if (missing || args.size() != 1 || !parseSize(size, w, h)) {
        std::cerr << kUsage;
        return kExitUsage;
    }
    std::error_code ec;
    if (!force && std::filesystem::exists(args[0], ec)) {
        std::cerr << "movalux-cli testpicture: " << args[0]
                  << " exists; use --force to replace it\n";
        return kExitFailure;
    }
    Status st = writeStillImage(makeTestPicture(w, h), args[0]);
    if (!st) {
        std::cerr << "movalux-cli testpicture: " << st.error() << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace movalux::cli
