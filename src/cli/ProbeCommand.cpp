// movalux-cli probe MOVIE: what the editor learns when it opens the movie.

#include <cmath>
#include <cstdio>
#include <iostream>

#include "cli/Commands.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"

namespace movalux::cli {

namespace {

// Up to three decimals, without trailing zeros: "25", "29.97", "2.5".
std::string shortDecimal(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

}  // namespace

int probeCommand(const Args& args) {
    quietMediaLog();
    if (args.size() != 1) {
        std::cerr << "usage: movalux-cli probe MOVIE\n";
        return kExitUsage;
    }
    auto movie = MovieSource::open(args[0]);
    if (!movie || !(*movie)->info().hasVideo) {
        // The editor's own words for a file it cannot open.
        std::cerr << "movalux-cli probe: この形式は読めません: "
                  << (movie ? "no video in " + args[0] : movie.error()) << '\n';
        return kExitFailure;
    }
    const MovieInfo& info = (*movie)->info();
    std::cout << "width: " << info.width << '\n'
              << "height: " << info.height << '\n'
              << "fps: " << shortDecimal(info.frameRate) << '\n'
              << "duration: " << shortDecimal(info.duration) << '\n'
              << "frames: " << info.frameCount << '\n'
              << "sound: " << (info.hasSound ? "yes" : "no") << '\n'
              << "pixel aspect: " << info.sarNum << ':' << info.sarDen << '\n';
    if (info.rotation != 0 || info.mirrored)
        std::cout << "turned: " << info.rotation << (info.mirrored ? " mirrored" : "") << '\n';
    return kExitOk;
}

}  // namespace movalux::cli
