#include "media/MovieWriter.h"
#include "media/TempFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "effects/Surface.h"
#include "media/FfmpegHolders.h"
#include "media/VideoPictureFrame.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace movalux {

namespace {

struct OutputDeleter {
    void operator()(AVFormatContext* c) const {
        if (!c) return;
        if (c->oformat && !(c->oformat->flags & AVFMT_NOFILE)) avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
using FormatOutput = std::unique_ptr<AVFormatContext, OutputDeleter>;

std::string lowerExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// The codec a container is usually filled with here. H.264 where the
// container takes it and this FFmpeg has an encoder for it.
std::string defaultVideoCodec(const std::string& ext) {
    if (ext == ".mp4" || ext == ".m4v" || ext == ".mov" || ext == ".mkv")
        return hasEncoder("libx264") ? "libx264" : "mpeg4";
    if (ext == ".webm") return "libvpx";
    if (ext == ".mpg" || ext == ".mpeg") return "mpeg2video";
    if (ext == ".wmv" || ext == ".asf") return "wmv2";
    return "mpeg4";
}

std::string defaultAudioCodec(const std::string& ext, const AVOutputFormat* of) {
    if (ext == ".avi" || ext == ".mkv" || ext == ".mov") return "pcm_s16le";
    if (ext == ".mpg" || ext == ".mpeg") return "mp2";
    if (ext == ".webm") return "libopus";
    const AVCodec* c = avcodec_find_encoder(of->audio_codec);
    return c ? c->name : "";
}

// BGRA to 4:2:0 with the BT.601 studio-range matrix that swscale uses by
// default, in integer arithmetic the compiler vectorises: several times
// faster than swscale's generic path for this pair, which held up the
// encoder of a write.
inline void lumaRow(const uint32_t* __restrict src, uint8_t* __restrict dst, int w) {
    for (int x = 0; x < w; ++x) {
        const uint32_t p = src[x];
        const int r = static_cast<int>((p >> 16) & 255), g = static_cast<int>((p >> 8) & 255),
                  b = static_cast<int>(p & 255);
        dst[x] = static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
    }
}

inline void chromaRow(const uint32_t* __restrict a, const uint32_t* __restrict b,
                      uint8_t* __restrict u, uint8_t* __restrict v, int pairs) {
    for (int x = 0; x < pairs; ++x) {
        const uint32_t p0 = a[2 * x], p1 = a[2 * x + 1], p2 = b[2 * x], p3 = b[2 * x + 1];
        const int r = static_cast<int>((((p0 >> 16) & 255) + ((p1 >> 16) & 255) +
                                        ((p2 >> 16) & 255) + ((p3 >> 16) & 255) + 2) >>
                                       2);
        const int g = static_cast<int>(
            (((p0 >> 8) & 255) + ((p1 >> 8) & 255) + ((p2 >> 8) & 255) + ((p3 >> 8) & 255) + 2) >>
            2);
        const int bl =
            static_cast<int>(((p0 & 255) + (p1 & 255) + (p2 & 255) + (p3 & 255) + 2) >> 2);
        u[x] = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * bl + 128) >> 8) + 128);
        v[x] = static_cast<uint8_t>(((112 * r - 94 * g - 18 * bl + 128) >> 8) + 128);
    }
}

// BGRA to 4:2:0 with the BT.601 studio-range matrix that swscale uses by
// default, in integer arithmetic the compiler vectorises: several times
// faster than swscale's generic path for this pair, which held up the
// encoder of a write.
// Converts the pixels x0..x1-1, y0..y1-1 (widened to whole chroma pairs);
// x0 and y0 even.
void bgraToYuv420pArea(const Surface& s, AVFrame* f, int x0, int y0, int x1, int y1) {
    const int w = s.width(), h = s.height();
    const int n = x1 - x0;
    for (int y = y0; y < y1; y += 2) {
        const uint32_t* r0 = s.row(y) + x0;
        const uint32_t* r1 = s.row(std::min(y + 1, h - 1)) + x0;
        lumaRow(r0, f->data[0] + static_cast<ptrdiff_t>(y) * f->linesize[0] + x0, n);
        if (y + 1 < h)
            lumaRow(r1, f->data[0] + static_cast<ptrdiff_t>(y + 1) * f->linesize[0] + x0, n);
        uint8_t* u = f->data[1] + static_cast<ptrdiff_t>(y / 2) * f->linesize[1] + x0 / 2;
        uint8_t* v = f->data[2] + static_cast<ptrdiff_t>(y / 2) * f->linesize[2] + x0 / 2;
        chromaRow(r0, r1, u, v, n / 2);
        if (n % 2) {
            // The picture's last column, of an odd width, pairs with itself.
            const uint32_t a[2] = {r0[n - 1], r0[n - 1]}, b[2] = {r1[n - 1], r1[n - 1]};
            chromaRow(a, b, u + n / 2, v + n / 2, 1);
        }
    }
    (void)w;
}

void bgraToYuv420p(const Surface& s, AVFrame* f) {
    bgraToYuv420pArea(s, f, 0, 0, s.width(), s.height());
}

}  // namespace

std::vector<std::string> availableVideoEncoders() {
    std::vector<std::string> names;
    void* it = nullptr;
    while (const AVCodec* c = av_codec_iterate(&it))
        if (av_codec_is_encoder(c) && c->type == AVMEDIA_TYPE_VIDEO) names.emplace_back(c->name);
    return names;
}

bool hasEncoder(const std::string& name) {
    const AVCodec* c = avcodec_find_encoder_by_name(name.c_str());
    return c && av_codec_is_encoder(c);
}

struct MovieWriter::Impl {
    std::string path;
    std::string tmpPath;
    FormatOutput oc;
    ff::CodecContext video;
    ff::CodecContext audio;
    AVStream* videoStream = nullptr;
    AVStream* audioStream = nullptr;
    ff::Frame picture{av_frame_alloc()};
    // Pictures the encoder may still hold (its threads keep references):
    // taken again once it lets go, instead of a new buffer, with new pages
    // to fault in, for every frame.
    std::vector<ff::Frame> heldPictures;
    Status writablePicture() {
        if (av_frame_is_writable(picture.get())) return Status::success();
        for (ff::Frame& spare : heldPictures)
            if (av_frame_is_writable(spare.get())) {
                std::swap(picture, spare);
                return Status::success();
            }
        if (heldPictures.size() < 6) {
            ff::Frame fresh(av_frame_alloc());
            if (!fresh) return Error{"out of memory"};
            fresh->format = picture->format;
            fresh->width = picture->width;
            fresh->height = picture->height;
            if (av_frame_get_buffer(fresh.get(), 0) < 0) return Error{"out of memory"};
            heldPictures.push_back(std::move(picture));
            picture = std::move(fresh);
            return Status::success();
        }
        if (av_frame_make_writable(picture.get()) < 0) return Error{"out of memory"};
        return Status::success();
    }
    ff::Frame soundFrame{av_frame_alloc()};
    ff::Packet pkt{av_packet_alloc()};
    ff::Sws sws;
    int swsW = 0, swsH = 0;
    int64_t framesWritten = 0;
    int64_t samplesWritten = 0;
    int audioFrameSize = 1024;
    int channels = 2;
    std::vector<int16_t> pending;  // interleaved samples not yet in a frame
    int quality = 0;
    bool headerWritten = false;
    bool finished = false;
    std::string codecName;

    ~Impl() {
        if (!finished) {
            oc.reset();
            std::remove(tmpPath.c_str());
        }
    }

    Status drain(AVCodecContext* ctx, AVStream* st) {
        for (;;) {
            const int r = avcodec_receive_packet(ctx, pkt.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return Status::success();
            if (r < 0) return Error{"cannot encode: " + ff::errorText(r)};
            av_packet_rescale_ts(pkt.get(), ctx->time_base, st->time_base);
            pkt->stream_index = st->index;
            const int w = av_interleaved_write_frame(oc.get(), pkt.get());
            if (w < 0) return Error{"cannot write " + path + ": " + ff::errorText(w)};
            // A failed write of the buffer (disk full, file too large) shows
            // only in the I/O context's error, with the system's reason.
            if (oc->pb && oc->pb->error < 0)
                return Error{"cannot write " + path + ": " + ff::errorText(oc->pb->error)};
        }
    }

    Status sendPicture();
    Status send(AVFrame* f);

    Status sendSound(int samples) {
        AVFrame* f = soundFrame.get();
        av_frame_unref(f);
        f->format = audio->sample_fmt;
        f->nb_samples = samples;
        f->sample_rate = audio->sample_rate;
        if (av_channel_layout_copy(&f->ch_layout, &audio->ch_layout) < 0 ||
            av_frame_get_buffer(f, 0) < 0)
            return Error{"out of memory"};
        const auto fmt = static_cast<AVSampleFormat>(f->format);
        const bool planar = av_sample_fmt_is_planar(fmt);
        const AVSampleFormat packed = av_get_packed_sample_fmt(fmt);
        for (int i = 0; i < samples; ++i) {
            for (int ch = 0; ch < channels; ++ch) {
                const int16_t v = pending[static_cast<size_t>(i * channels + ch)];
                const int plane = planar ? ch : 0;
                const int index = planar ? i : i * channels + ch;
                uint8_t* base = f->extended_data[plane];
                switch (packed) {
                    case AV_SAMPLE_FMT_S16:
                        reinterpret_cast<int16_t*>(base)[index] = v;
                        break;
                    case AV_SAMPLE_FMT_S32:
                        reinterpret_cast<int32_t*>(base)[index] = static_cast<int32_t>(v) << 16;
                        break;
                    case AV_SAMPLE_FMT_FLT:
                        reinterpret_cast<float*>(base)[index] = static_cast<float>(v) / 32768.0f;
                        break;
                    case AV_SAMPLE_FMT_DBL:
                        reinterpret_cast<double*>(base)[index] = v / 32768.0;
                        break;
                    default:
                        return Error{"sound format not supported by this writer"};
                }
            }
        }
        pending.erase(pending.begin(),
                      pending.begin() + static_cast<ptrdiff_t>(samples) * channels);
        f->pts = samplesWritten;
        samplesWritten += samples;
        if (avcodec_send_frame(audio.get(), f) < 0) return Error{"cannot encode the sound"};
        return drain(audio.get(), audioStream);
    }
};

MovieWriter::MovieWriter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
MovieWriter::~MovieWriter() = default;

const std::string& MovieWriter::videoCodecName() const {
    return impl_->codecName;
}

Result<std::unique_ptr<MovieWriter>> MovieWriter::create(const std::string& path,
                                                         const MovieWriterOptions& o) {
    if (o.width < 2 || o.height < 2 || o.width > 16384 || o.height > 16384)
        return Error{"movie size not supported"};
    if (o.fpsNum <= 0 || o.fpsDen <= 0) return Error{"frame rate not supported"};
    const std::string ext = lowerExtension(path);
    const AVOutputFormat* of = av_guess_format(nullptr, path.c_str(), nullptr);
    if (!of) return Error{"no container for the file name " + path};

    auto impl = std::make_unique<Impl>();
    Impl& m = *impl;
    m.path = path;
    m.tmpPath = partPathFor(path);
    m.quality = o.quality;
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, of, nullptr, m.tmpPath.c_str()) < 0 || !raw)
        return Error{"cannot create " + path};
    m.oc.reset(raw);

    // Video.
    const std::string codecName = o.videoCodec.empty() ? defaultVideoCodec(ext) : o.videoCodec;
    const AVCodec* vc = avcodec_find_encoder_by_name(codecName.c_str());
    if (!vc || vc->type != AVMEDIA_TYPE_VIDEO) return Error{"no video encoder named " + codecName};
    m.codecName = vc->name;
    m.video.reset(avcodec_alloc_context3(vc));
    AVCodecContext* v = m.video.get();
    v->width = o.width;
    v->height = o.height;
    if (o.sarNum > 0 && o.sarDen > 0) v->sample_aspect_ratio = AVRational{o.sarNum, o.sarDen};
    v->time_base = AVRational{o.fpsDen, o.fpsNum};
    v->framerate = AVRational{o.fpsNum, o.fpsDen};
    v->gop_size = std::max(1, o.keyInterval);
    v->max_b_frames = std::max(0, o.maxBFrames);
    v->pix_fmt = AV_PIX_FMT_YUV420P;
    if (vc->pix_fmts) {
        bool has420 = false, hasJpeg420 = false;
        for (const AVPixelFormat* p = vc->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) {
            has420 = has420 || *p == AV_PIX_FMT_YUV420P;
            hasJpeg420 = hasJpeg420 || *p == AV_PIX_FMT_YUVJ420P;
        }
        // JPEG codecs want full-range pictures.
        if (hasJpeg420)
            v->pix_fmt = AV_PIX_FMT_YUVJ420P;
        else if (!has420)
            v->pix_fmt = vc->pix_fmts[0];
    }
    // Encoders of halved chroma (4:2:0, 4:2:2) mostly refuse odd sizes, and
    // H.264's cropping counts in pairs of pixels, so an odd picture cannot
    // be padded and cropped back: it is written in a format of full chroma
    // that the encoder offers (4:4:4 for H.264, RGB for HuffYUV and Ut
    // Video), at its own size. MPEG-4 Part 2 and Motion JPEG take odd sizes
    // in 4:2:0 as they are.
    const bool odd = o.width % 2 || o.height % 2;
    if (odd && o.pixelFormat.empty() && vc->pix_fmts && m.codecName != "mpeg4" &&
        m.codecName != "mjpeg") {
        const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(v->pix_fmt);
        if (d && (d->log2_chroma_w || d->log2_chroma_h)) {
            for (const AVPixelFormat* p = vc->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) {
                const AVPixFmtDescriptor* full = av_pix_fmt_desc_get(*p);
                if (full && !full->log2_chroma_w && !full->log2_chroma_h &&
                    !(full->flags & AV_PIX_FMT_FLAG_PAL) && full->comp[0].depth == 8) {
                    v->pix_fmt = *p;
                    break;
                }
            }
        }
    }
    if (!o.pixelFormat.empty()) {
        const AVPixelFormat wanted = av_get_pix_fmt(o.pixelFormat.c_str());
        if (wanted == AV_PIX_FMT_NONE) return Error{"no pixel format named " + o.pixelFormat};
        v->pix_fmt = wanted;
    }
    v->thread_count = std::max(0, o.threads);
    if (o.bitRate > 0) {
        v->bit_rate = o.bitRate;
        // A rate without a buffer makes the MPEG family's rate control give
        // up on the first frames.
        v->rc_buffer_size = static_cast<int>(std::min<int64_t>(o.bitRate * 2, INT32_MAX));
        v->rc_max_rate = std::min<int64_t>(o.bitRate * 2, INT32_MAX);
    } else if (o.quality > 0 && m.codecName != "libx264") {
        v->flags |= AV_CODEC_FLAG_QSCALE;
        v->global_quality = FF_QP2LAMBDA * o.quality;
    }
    if (m.oc->oformat->flags & AVFMT_GLOBALHEADER) v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (m.codecName == "libx264") {
        av_opt_set(v->priv_data, "preset", "veryfast", 0);
        // Key frames exactly at the interval, B-frames always: movies that
        // exercise seeking the same way every time.
        std::string params = "scenecut=0:b-adapt=0";
        if (o.openGop) params += ":open-gop=1";
        av_opt_set(v->priv_data, "x264-params", params.c_str(), 0);
        if (o.crf >= 0 && o.bitRate <= 0) av_opt_set_int(v->priv_data, "crf", o.crf, 0);
    } else {
        av_opt_set_int(v, "sc_threshold", 1000000000, AV_OPT_SEARCH_CHILDREN);
    }
    int opened = avcodec_open2(v, vc, nullptr);
    if (opened < 0 && v->max_b_frames > 0) {
        // Codecs without B-frames (WMV, MJPEG, ...) refuse them; a movie
        // without them is still the movie asked for.
        ff::CodecContext fresh(avcodec_alloc_context3(vc));
        if (!fresh) return Error{"out of memory"};
        AVCodecContext* retry = fresh.get();
        retry->width = v->width;
        retry->height = v->height;
        retry->sample_aspect_ratio = v->sample_aspect_ratio;
        retry->time_base = v->time_base;
        retry->framerate = v->framerate;
        retry->gop_size = v->gop_size;
        retry->pix_fmt = v->pix_fmt;
        retry->flags = v->flags;
        retry->global_quality = v->global_quality;
        retry->thread_count = v->thread_count;
        retry->bit_rate = v->bit_rate;
        retry->rc_buffer_size = v->rc_buffer_size;
        retry->rc_max_rate = v->rc_max_rate;
        retry->max_b_frames = 0;
        m.video = std::move(fresh);
        v = retry;
        opened = avcodec_open2(v, vc, nullptr);
    }
    if (opened < 0 && odd)
        return Error{"the " + m.codecName +
                     " compressor takes only even picture sizes (this movie is " +
                     std::to_string(o.width) + "x" + std::to_string(o.height) +
                     "); choose H.264, FFV1, Motion JPEG or uncompressed"};
    if (opened < 0)
        return Error{"cannot start the " + m.codecName + " encoder: " + ff::errorText(opened)};
    m.videoStream = avformat_new_stream(m.oc.get(), nullptr);
    if (!m.videoStream || avcodec_parameters_from_context(m.videoStream->codecpar, v) < 0)
        return Error{"cannot create " + path};
    m.videoStream->time_base = v->time_base;
    m.videoStream->avg_frame_rate = v->framerate;
    m.videoStream->sample_aspect_ratio = v->sample_aspect_ratio;

    m.picture->format = v->pix_fmt;
    m.picture->width = v->width;
    m.picture->height = v->height;
    if (av_frame_get_buffer(m.picture.get(), 0) < 0) return Error{"out of memory"};

    // Sound.
    if (o.sound) {
        const std::string an = defaultAudioCodec(ext, of);
        const AVCodec* ac = an.empty() ? nullptr : avcodec_find_encoder_by_name(an.c_str());
        if (!ac) return Error{"no sound encoder for " + ext};
        m.audio.reset(avcodec_alloc_context3(ac));
        AVCodecContext* a = m.audio.get();
        m.channels = std::clamp(o.channels, 1, 2);
        av_channel_layout_default(&a->ch_layout, m.channels);
        a->sample_rate = o.sampleRate;
        if (ac->supported_samplerates) {
            bool ok = false;
            for (const int* r = ac->supported_samplerates; *r; ++r) ok = ok || *r == o.sampleRate;
            if (!ok) a->sample_rate = ac->supported_samplerates[0];
        }
        a->sample_fmt = ac->sample_fmts ? ac->sample_fmts[0] : AV_SAMPLE_FMT_S16;
        a->time_base = AVRational{1, a->sample_rate};
        if (m.oc->oformat->flags & AVFMT_GLOBALHEADER) a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (int r = avcodec_open2(a, ac, nullptr); r < 0)
            return Error{"cannot start the " + an + " encoder: " + ff::errorText(r)};
        m.audioFrameSize = a->frame_size > 0 ? a->frame_size : 1024;
        m.audioStream = avformat_new_stream(m.oc.get(), nullptr);
        if (!m.audioStream || avcodec_parameters_from_context(m.audioStream->codecpar, a) < 0)
            return Error{"cannot create " + path};
        m.audioStream->time_base = a->time_base;
    }

    if (!(m.oc->oformat->flags & AVFMT_NOFILE)) {
        if (int r = avio_open(&m.oc->pb, m.tmpPath.c_str(), AVIO_FLAG_WRITE); r < 0)
            return Error{"cannot write " + path + ": " + ff::errorText(r)};
    }
    if (int r = avformat_write_header(m.oc.get(), nullptr); r < 0)
        return Error{"cannot write " + path + ": " + ff::errorText(r)};
    m.headerWritten = true;
    return std::unique_ptr<MovieWriter>(new MovieWriter(std::move(impl)));
}

int MovieWriter::sampleRate() const {
    return impl_->audio ? impl_->audio->sample_rate : 0;
}

Status MovieWriter::writeFrame(const Surface& s) {
    Impl& m = *impl_;
    if (m.finished) return Error{"the movie is already finished"};
    if (s.empty()) return Error{"empty picture"};
    AVCodecContext* v = m.video.get();
    if (Status st = m.writablePicture(); !st) return st;
    if (v->pix_fmt == AV_PIX_FMT_YUV420P && s.width() == v->width && s.height() == v->height) {
        bgraToYuv420p(s, m.picture.get());
        return m.sendPicture();
    }
    if (!m.sws || m.swsW != s.width() || m.swsH != s.height()) {
        m.sws.reset(sws_getContext(s.width(), s.height(), AV_PIX_FMT_BGRA, v->width, v->height,
                                   v->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
        m.swsW = s.width();
        m.swsH = s.height();
    }
    if (!m.sws) return Error{"cannot convert the picture"};
    const uint8_t* src[4] = {s.bytes(), nullptr, nullptr, nullptr};
    int srcStride[4] = {s.bytesPerLine(), 0, 0, 0};
    sws_scale(m.sws.get(), src, srcStride, 0, s.height(), m.picture->data, m.picture->linesize);
    return m.sendPicture();
}

bool MovieWriter::canTake(const VideoPicture& picture) const {
    if (picture.empty() || !picture.frame()->upright) return false;
    const AVFrame* f = picture.frame()->frame.get();
    const AVCodecContext* v = impl_->video.get();
    return f->format == v->pix_fmt && f->width == v->width && f->height == v->height;
}

Status MovieWriter::writePicture(const VideoPicture& picture) {
    Impl& m = *impl_;
    if (m.finished) return Error{"the movie is already finished"};
    if (!canTake(picture)) return Error{"the picture does not fit the movie"};
    ff::Frame f(av_frame_alloc());
    if (!f || av_frame_ref(f.get(), picture.frame()->frame.get()) < 0) return Error{"out of memory"};
    // Only the pixels are the source's: the picture type the decoder saw
    // would force key frames where the source had them, and its side data
    // describes the source's stream, not ours.
    f->pict_type = AV_PICTURE_TYPE_NONE;
    while (f->nb_side_data > 0) av_frame_remove_side_data(f.get(), f->side_data[0]->type);
    f->sample_aspect_ratio = m.video->sample_aspect_ratio;
    return m.send(f.get());
}

Status MovieWriter::writePicture(const VideoPicture& picture, const Surface& drawn, int64_t x0,
                                 int64_t y0, int64_t x1, int64_t y1) {
    Impl& m = *impl_;
    if (m.finished) return Error{"the movie is already finished"};
    AVCodecContext* v = m.video.get();
    if (!canTake(picture) || v->pix_fmt != AV_PIX_FMT_YUV420P || drawn.width() != v->width ||
        drawn.height() != v->height)
        return writeFrame(drawn);
    if (Status st = m.writablePicture(); !st) return st;
    if (av_frame_copy(m.picture.get(), picture.frame()->frame.get()) < 0)
        return Error{"cannot copy the picture"};
    const auto clip = [](int64_t a, int64_t hi) { return static_cast<int>(std::clamp<int64_t>(a, 0, hi)); };
    // Whole chroma pairs: a pair half inside the area takes its colour from
    // the drawn picture.
    const int ax0 = clip(x0, v->width) & ~1, ay0 = clip(y0, v->height) & ~1;
    const int ax1 = std::min(v->width, (clip(x1, v->width) + 1) & ~1);
    const int ay1 = std::min(v->height, (clip(y1, v->height) + 1) & ~1);
    if (ax0 < ax1 && ay0 < ay1) bgraToYuv420pArea(drawn, m.picture.get(), ax0, ay0, ax1, ay1);
    return m.sendPicture();
}

Status MovieWriter::Impl::send(AVFrame* f) {
    AVCodecContext* v = video.get();
    f->pts = framesWritten++;
    if (v->flags & AV_CODEC_FLAG_QSCALE) f->quality = v->global_quality;
    if (int r = avcodec_send_frame(v, f); r < 0) return Error{"cannot encode: " + ff::errorText(r)};
    return drain(v, videoStream);
}

Status MovieWriter::Impl::sendPicture() {
    return send(picture.get());
}

Status MovieWriter::writeSound(std::span<const int16_t> samples) {
    Impl& m = *impl_;
    if (!m.audio) return Error{"the movie has no sound stream"};
    if (m.finished) return Error{"the movie is already finished"};
    m.pending.insert(m.pending.end(), samples.begin(), samples.end());
    while (m.pending.size() >= static_cast<size_t>(m.audioFrameSize * m.channels)) {
        if (Status st = m.sendSound(m.audioFrameSize); !st) return st;
    }
    return Status::success();
}

Status MovieWriter::finish() {
    Impl& m = *impl_;
    if (m.finished) return Status::success();
    if (m.audio) {
        const int left = static_cast<int>(m.pending.size()) / m.channels;
        if (left > 0) {
            const bool variable = m.audio->codec->capabilities & (AV_CODEC_CAP_VARIABLE_FRAME_SIZE |
                                                                  AV_CODEC_CAP_SMALL_LAST_FRAME);
            int samples = left;
            if (!variable) {
                m.pending.resize(static_cast<size_t>(m.audioFrameSize * m.channels), 0);
                samples = m.audioFrameSize;
            }
            if (Status st = m.sendSound(samples); !st) return st;
        }
        avcodec_send_frame(m.audio.get(), nullptr);
        if (Status st = m.drain(m.audio.get(), m.audioStream); !st) return st;
    }
    avcodec_send_frame(m.video.get(), nullptr);
    if (Status st = m.drain(m.video.get(), m.videoStream); !st) return st;
    if (int r = av_write_trailer(m.oc.get()); r < 0)
        return Error{"cannot write " + m.path + ": " + ff::errorText(r)};
    if (!(m.oc->oformat->flags & AVFMT_NOFILE)) {
        const int pbError = m.oc->pb ? m.oc->pb->error : 0;
        if (int r = avio_closep(&m.oc->pb); r < 0 || pbError < 0)
            return Error{"cannot write " + m.path + ": " +
                         ff::errorText(pbError < 0 ? pbError : r)};
    }
    std::error_code ec;
    std::filesystem::rename(m.tmpPath, m.path, ec);
    if (ec) return Error{"cannot write " + m.path + ": " + ec.message()};
    m.finished = true;
    return Status::success();
}

}  // namespace movalux
