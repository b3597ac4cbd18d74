#include "media/Compressors.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "base/NumberText.h"
#include "media/FfmpegHolders.h"

extern "C" {
#include <libavutil/rational.h>
}

namespace movalux {

namespace {

struct Known {
    const char* name;
    const char* caption;
    bool lossless;
};

// In the order the dialog lists them. Every one of them was written to AVI
// and read back frame-exact here; encoders not listed (H.265, VP9, AV1...)
// either write AVI files that readers cannot decode or have no AVI tag;
// Microsoft MPEG-4 V3 comes back with wrong pictures after a seek.
constexpr Known kAviEncoders[] = {
    {"mpeg4", "MPEG-4 Part 2", false},
    {"libxvid", "Xvid MPEG-4", false},
    {"libx264", "H.264", false},
    {"mjpeg", "Motion JPEG", false},
    {"ffv1", "FFV1 (可逆圧縮)", true},
    {"huffyuv", "HuffYUV (可逆圧縮)", true},
    {"utvideo", "Ut Video (可逆圧縮)", true},
    {"rawvideo", "未圧縮", true},
};

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

}  // namespace

std::vector<EncoderChoice> aviVideoEncoders() {
    std::vector<EncoderChoice> out;
    const AVOutputFormat* avi = av_guess_format("avi", nullptr, nullptr);
    for (const Known& k : kAviEncoders) {
        const AVCodec* c = avcodec_find_encoder_by_name(k.name);
        if (!c || !av_codec_is_encoder(c) || c->type != AVMEDIA_TYPE_VIDEO) continue;
        if (avi && avformat_query_codec(avi, c->id, FF_COMPLIANCE_NORMAL) != 1) continue;
        out.push_back({k.name, k.caption, k.lossless});
    }
    return out;
}

bool isMovieOutputName(const std::string& path) {
    const std::string ext = lowerExtension(path);
    return ext == ".avi" || ext == ".mp4" || ext == ".mkv";
}

void applyEncoderSettings(const EncoderSettings& s, const std::string& path,
                          MovieWriterOptions& o) {
    const std::string ext = lowerExtension(path);
    std::string codec = s.codec.empty() ? std::string(kDefaultVideoEncoder) : s.codec;
    if (ext == ".mp4" || ext == ".mkv") codec = hasEncoder("libx264") ? "libx264" : "mpeg4";
    o.videoCodec = codec;
    o.maxBFrames = 0;
    o.openGop = false;
    o.keyInterval = std::clamp(s.keyInterval, 1, 1000);
    const int quality = std::clamp(s.quality, 0, 100);
    // Quality 100 is the finest quantiser, 0 the coarsest; 90 gives 4, which
    // hides the blocks of MPEG-4 at any size.
    o.quality = std::clamp(roundHalfEven32(31 - quality * 0.3), 1, 31);
    o.crf = std::clamp(roundHalfEven32(10 + (100 - quality) * 0.4), 0, 51);
    o.bitRate = s.dataRateKbps > 0 ? static_cast<int64_t>(s.dataRateKbps) * 1000 : 0;
    o.pixelFormat.clear();
    // Uncompressed AVI is 24-bit RGB, as every reader of such files expects.
    if (codec == "rawvideo") o.pixelFormat = "bgr24";
}

void frameRateFraction(double fps, int& num, int& den) {
    if (!(fps > 0) || !std::isfinite(fps)) {
        num = 25;
        den = 1;
        return;
    }
    // MPEG-4 allows no time base terms above 65535.
    const AVRational q = av_d2q(fps, 65535);
    num = q.num > 0 ? q.num : 25;
    den = q.den > 0 ? q.den : 1;
}

}  // namespace movalux
