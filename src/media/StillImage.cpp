#include "media/StillImage.h"
#include "media/TempFiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>

#include "media/FfmpegHolders.h"
#include "media/ScaleIntoSurface.h"

namespace movalux {

namespace {

constexpr int kMaxSide = 32767;

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return ext;
}

Result<Surface> decodeFirstPicture(AVFormatContext* fmt, const std::string& path) {
    int stream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) return Error{"not a picture: " + path};
    const AVCodecParameters* par = fmt->streams[stream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return Error{"no decoder for the picture: " + path};
    ff::CodecContext ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), par) < 0 ||
        avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return Error{"cannot decode the picture: " + path};

    ff::Packet pkt(av_packet_alloc());
    ff::Frame frame(av_frame_alloc());
    bool got = false;
    bool flushed = false;
    while (!got) {
        int r = flushed ? AVERROR_EOF : av_read_frame(fmt, pkt.get());
        if (r < 0) {
            if (flushed) break;
            flushed = true;
            avcodec_send_packet(ctx.get(), nullptr);
        } else {
            if (pkt->stream_index == stream) avcodec_send_packet(ctx.get(), pkt.get());
            av_packet_unref(pkt.get());
        }
        int d = avcodec_receive_frame(ctx.get(), frame.get());
        if (d == 0)
            got = true;
        else if (d == AVERROR_EOF)
            break;
        else if (d != AVERROR(EAGAIN))
            return Error{"damaged picture: " + path};
    }
    if (!got) return Error{"damaged picture: " + path};
    const int w = frame->width, h = frame->height;
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide)
        return Error{"picture size not supported: " + path};

    Surface out(w, h);
    ff::Sws sws(sws_getContext(w, h, static_cast<AVPixelFormat>(frame->format), w, h,
                               AV_PIX_FMT_BGRA, SWS_POINT, nullptr, nullptr, nullptr));
    if (!sws) return Error{"cannot convert the picture: " + path};
    std::vector<uint8_t> scratch;
    ff::scaleIntoSurface(sws.get(), frame->data, frame->linesize, h, out, scratch);
    // Transparency of a GIF or PNG is not part of a picture here.
    for (uint32_t& p : out.pixels()) p |= kOpaque;
    return out;
}

}  // namespace

Result<Surface> readStillImage(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return Error{"file not found: " + path};
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return Error{"cannot read the picture: " + path};
    ff::FormatInput fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0)
        return Error{"cannot read the picture: " + path};
    return decodeFirstPicture(fmt.get(), path);
}

std::optional<StillFormat> stillFormatOf(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == ".bmp") return StillFormat::Bmp;
    if (ext == ".png") return StillFormat::Png;
    if (ext == ".jpg" || ext == ".jpeg") return StillFormat::Jpeg;
    if (ext == ".gif") return StillFormat::Gif;
    return std::nullopt;
}

Status writeStillImage(const Surface& picture, const std::string& path) {
    const auto format = stillFormatOf(path);
    if (!format) return Error{"pictures are written as .bmp, .png, .jpg or .gif: " + path};
    return writeStillImage(picture, path, *format);
}

namespace {

// Writes all of data to fd; the system's error number, or 0.
int writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

}  // namespace

Status writeStillImage(const Surface& picture, const std::string& path, StillFormat format,
                       int* systemError) {
    if (systemError) *systemError = 0;
    AVCodecID id = AV_CODEC_ID_BMP;
    AVPixelFormat fmt = AV_PIX_FMT_BGR24;
    switch (format) {
        case StillFormat::Bmp:
            break;
        case StillFormat::Png:
            id = AV_CODEC_ID_PNG;
            fmt = AV_PIX_FMT_RGB24;
            break;
        case StillFormat::Jpeg:
            id = AV_CODEC_ID_MJPEG;
            fmt = AV_PIX_FMT_YUVJ420P;
            break;
        case StillFormat::Gif:
            id = AV_CODEC_ID_GIF;
            fmt = AV_PIX_FMT_BGR8;
            break;
    }
    if (picture.empty()) return Error{"empty picture"};
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec) return Error{std::string("no encoder for ") + avcodec_get_name(id)};
    ff::CodecContext ctx(avcodec_alloc_context3(codec));
    ctx->width = picture.width();
    ctx->height = picture.height();
    ctx->pix_fmt = fmt;
    ctx->time_base = AVRational{1, 1};
    // One picture: more threads would only wait for each other. Callers
    // that write many pictures run several writers side by side.
    ctx->thread_count = 1;
    if (format == StillFormat::Png) {
        // zlib's level 3: on noisy 1080p frames about 40 % of the default
        // level's time for files some 6 % larger. The row filters made no
        // file smaller by more than a few per cent and cost time.
        ctx->compression_level = 3;
    } else if (format == StillFormat::Jpeg) {
        ctx->flags |= AV_CODEC_FLAG_QSCALE;
        ctx->global_quality = FF_QP2LAMBDA * 2;
        ctx->color_range = AVCOL_RANGE_JPEG;
    }
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0)
        return Error{std::string("cannot start the encoder for ") + avcodec_get_name(id)};

    ff::Frame frame(av_frame_alloc());
    frame->format = fmt;
    frame->width = picture.width();
    frame->height = picture.height();
    frame->quality = ctx->global_quality;
    if (av_frame_get_buffer(frame.get(), 0) < 0) return Error{"out of memory"};
    ff::Sws sws(sws_getContext(picture.width(), picture.height(), AV_PIX_FMT_BGRA, picture.width(),
                               picture.height(), fmt, SWS_POINT, nullptr, nullptr, nullptr));
    if (!sws) return Error{"cannot convert the picture"};
    const uint8_t* src[4] = {picture.bytes(), nullptr, nullptr, nullptr};
    int srcStride[4] = {picture.bytesPerLine(), 0, 0, 0};
    sws_scale(sws.get(), src, srcStride, 0, picture.height(), frame->data, frame->linesize);
    ff::Packet pkt(av_packet_alloc());
    if (avcodec_send_frame(ctx.get(), frame.get()) < 0 ||
        avcodec_send_frame(ctx.get(), nullptr) < 0)
        return Error{"cannot encode the picture"};
    if (avcodec_receive_packet(ctx.get(), pkt.get()) < 0) return Error{"cannot encode the picture"};

    const std::string tmp = partPathFor(path);
    auto failed = [&](int err) -> Status {
        if (systemError) *systemError = err;
        ::unlink(tmp.c_str());
        return Error{"cannot write " + path + ": " + std::strerror(err)};
    };
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int err = errno;
        if (systemError) *systemError = err;
        return Error{"cannot write " + path + ": " + std::strerror(err)};
    }
    if (int err = writeAll(fd, pkt->data, static_cast<size_t>(pkt->size)); err != 0) {
        ::close(fd);
        return failed(err);
    }
    if (::close(fd) != 0) return failed(errno);
    if (::rename(tmp.c_str(), path.c_str()) != 0) return failed(errno);
    return Status::success();
}

}  // namespace movalux
