#include "support/FfmpegReference.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

namespace movalux::test {

namespace {

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace

std::string capture(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    std::array<char, 4096> buf{};
    size_t got;
    while ((got = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), got);
    pclose(p);
    return out;
}

std::string samplesDir() {
    if (const char* env = std::getenv("MOVALUX_SAMPLES"); env && *env) return env;
    return MOVALUX_SAMPLES_DIR;
}

std::string samplePath(const std::string& name) {
    const auto p = std::filesystem::path(samplesDir()) / name;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(p, ec)) {
        ADD_FAILURE() << "sample movie " << p << " is missing: run scripts/fetch-samples";
        return {};
    }
    return p.string();
}

ReferenceMovie probeReference(const std::string& path) {
    ReferenceMovie ref;
    std::istringstream size(
        capture("ffprobe -v error -select_streams v:0 -show_entries "
                "stream=width,height,duration -of csv=p=0 " +
                quote(path)));
    char comma;
    std::string duration;
    size >> ref.width >> comma >> ref.height >> comma >> duration;
    ref.streamDuration = std::atof(duration.c_str());
    std::istringstream times(
        capture("ffprobe -v error -select_streams v:0 -show_entries "
                "frame=best_effort_timestamp_time -of csv=p=0 " +
                quote(path)));
    std::string line;
    while (std::getline(times, line)) {
        if (line.empty()) continue;
        ref.times.push_back(line == "N/A" ? (ref.times.empty() ? 0 : ref.times.back())
                                          : std::atof(line.c_str()));
    }
    if (!ref.times.empty()) ref.origin = *std::min_element(ref.times.begin(), ref.times.end());
    return ref;
}

int pictureAt(const ReferenceMovie& ref, double seconds) {
    if (ref.times.empty()) return -1;
    const double first = ref.origin;
    int found = 0;
    // A tenth of a millisecond absorbs timestamps rounded to the container's clock.
    for (size_t i = 0; i < ref.times.size(); ++i)
        if (ref.times[i] - first <= seconds + 1e-4) found = static_cast<int>(i);
    return found;
}

std::map<int, std::vector<uint8_t>> referencePictures(const std::string& path,
                                                      const ReferenceMovie& ref,
                                                      const std::vector<int>& indices,
                                                      const std::string& options,
                                                      const std::string& inputOptions) {
    std::map<int, std::vector<uint8_t>> out;
    const std::set<int> wanted(indices.begin(), indices.end());
    if (wanted.empty()) return out;
    const size_t bytes = static_cast<size_t>(ref.width) * ref.height * 4;
    const std::string cmd = "ffmpeg -v quiet " + inputOptions + " -i " + quote(path) +
                            " -map 0:v:0 " + options +
                            " -fps_mode passthrough -f rawvideo -pix_fmt bgra -";
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return out;
    std::vector<uint8_t> picture(bytes);
    for (int i = 0; i <= *wanted.rbegin(); ++i) {
        if (fread(picture.data(), 1, bytes, p) != bytes) break;
        if (wanted.count(i)) out[i] = picture;
    }
    pclose(p);
    return out;
}

double meanDifference(const uint8_t* a, const uint8_t* b, int width, int height) {
    double sum = 0;
    const size_t n = static_cast<size_t>(width) * height;
    for (size_t i = 0; i < n; ++i)
        for (int c = 0; c < 3; ++c) sum += std::abs(int(a[4 * i + c]) - int(b[4 * i + c]));
    return sum / (3.0 * static_cast<double>(n));
}

}  // namespace movalux::test
