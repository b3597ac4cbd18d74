#include "media/StillImage.h"
#include "media/TempFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "media/FfmpegHolders.h"

namespace movalux {

namespace {

constexpr int kMaxSide = 32767;

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

Result<Surface> decodeFirstPicture(AVFormatContext* fmt, const std::string& path) {
    int stream = av_find_best_stream(fmt, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (stream < 0) return Error{"not a picture: " + path};
    const AVCodecParameters* par = fmt->streams[stream]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return Error{"no decoder for the picture: " + path};
    ff::CodecContext ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), par) < 0 || avcodec_open2(ctx.get(), codec, nullptr) < 0)
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
        if (d == 0) got = true;
        else if (d == AVERROR_EOF) break;
        else if (d != AVERROR(EAGAIN)) return Error{"damaged picture: " + path};
    }
    if (!got) return Error{"damaged picture: " + path};
    const int w = frame->width, h = frame->height;
    if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return Error{"picture size not supported: " + path};

    Surface out(w, h);
    ff::Sws sws(sws_getContext(w, h, static_cast<AVPixelFormat>(frame->format), w, h, AV_PIX_FMT_BGRA,
                               SWS_POINT, nullptr, nullptr, nullptr));
    if (!sws) return Error{"cannot convert the picture: " + path};
    uint8_t* dst[4] = {out.bytes(), nullptr, nullptr, nullptr};
    int dstStride[4] = {out.bytesPerLine(), 0, 0, 0};
    sws_scale(sws.get(), frame->data, frame->linesize, 0, h, dst, dstStride);
    // Transparency of a GIF or PNG is not part of a picture here.
    for (uint32_t& p : out.pixels()) p |= kOpaque;
    return out;
}

}  // namespace

Result<Surface> readStillImage(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return Error{"file not found: " + path};
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return Error{"cannot read the picture: " + path};
    ff::FormatInput fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0) return Error{"cannot read the picture: " + path};
    return decodeFirstPicture(fmt.get(), path);
}

Status writeStillImage(const Surface& picture, const std::string& path) {
    const std::string ext = lowerExtension(path);
    AVCodecID id;
    AVPixelFormat fmt;
    if (ext == ".bmp") {
        id = AV_CODEC_ID_BMP;
        fmt = AV_PIX_FMT_BGR24;
    } else if (ext == ".png") {
        id = AV_CODEC_ID_PNG;
        fmt = AV_PIX_FMT_RGB24;
    } else {
        return Error{"pictures are written as .bmp or .png: " + path};
    }
    if (picture.empty()) return Error{"empty picture"};
    const AVCodec* codec = avcodec_find_encoder(id);
    if (!codec) return Error{"no encoder for " + ext};
    ff::CodecContext ctx(avcodec_alloc_context3(codec));
    ctx->width = picture.width();
    ctx->height = picture.height();
    ctx->pix_fmt = fmt;
    ctx->time_base = AVRational{1, 1};
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return Error{"cannot start the encoder for " + ext};

    ff::Frame frame(av_frame_alloc());
    frame->format = fmt;
    frame->width = picture.width();
    frame->height = picture.height();
    if (av_frame_get_buffer(frame.get(), 0) < 0) return Error{"out of memory"};
    ff::Sws sws(sws_getContext(picture.width(), picture.height(), AV_PIX_FMT_BGRA, picture.width(),
                               picture.height(), fmt, SWS_POINT, nullptr, nullptr, nullptr));
    const uint8_t* src[4] = {picture.bytes(), nullptr, nullptr, nullptr};
    int srcStride[4] = {picture.bytesPerLine(), 0, 0, 0};
    sws_scale(sws.get(), src, srcStride, 0, picture.height(), frame->data, frame->linesize);

    ff::Packet pkt(av_packet_alloc());
    if (avcodec_send_frame(ctx.get(), frame.get()) < 0 || avcodec_send_frame(ctx.get(), nullptr) < 0)
        return Error{"cannot encode the picture"};
    if (avcodec_receive_packet(ctx.get(), pkt.get()) < 0) return Error{"cannot encode the picture"};

    const std::string tmp = partPathFor(path);
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return Error{"cannot write " + path};
        out.write(reinterpret_cast<const char*>(pkt->data), pkt->size);
        out.close();
        if (!out) {
            std::remove(tmp.c_str());
            return Error{"cannot write " + path};
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::remove(tmp.c_str());
        return Error{"cannot write " + path + ": " + ec.message()};
    }
    return Status::success();
}

}  // namespace movalux
