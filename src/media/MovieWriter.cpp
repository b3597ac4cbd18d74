#include "media/MovieWriter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "effects/Surface.h"
#include "media/FfmpegHolders.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
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
        }
    }

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
    m.tmpPath = path + ".part";
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
        if (hasJpeg420) v->pix_fmt = AV_PIX_FMT_YUVJ420P;
        else if (!has420) v->pix_fmt = vc->pix_fmts[0];
    }
    if (o.quality > 0 && m.codecName != "libx264") {
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
        retry->time_base = v->time_base;
        retry->framerate = v->framerate;
        retry->gop_size = v->gop_size;
        retry->pix_fmt = v->pix_fmt;
        retry->flags = v->flags;
        retry->global_quality = v->global_quality;
        retry->max_b_frames = 0;
        m.video = std::move(fresh);
        v = retry;
        opened = avcodec_open2(v, vc, nullptr);
    }
    if (opened < 0)
        return Error{"cannot start the " + m.codecName + " encoder: " + ff::errorText(opened)};
    m.videoStream = avformat_new_stream(m.oc.get(), nullptr);
    if (!m.videoStream || avcodec_parameters_from_context(m.videoStream->codecpar, v) < 0)
        return Error{"cannot create " + path};
    m.videoStream->time_base = v->time_base;
    m.videoStream->avg_frame_rate = v->framerate;

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
    if (!m.sws || m.swsW != s.width() || m.swsH != s.height()) {
        m.sws.reset(sws_getContext(s.width(), s.height(), AV_PIX_FMT_BGRA, v->width, v->height,
                                   v->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr));
        m.swsW = s.width();
        m.swsH = s.height();
    }
    if (!m.sws) return Error{"cannot convert the picture"};
    if (av_frame_make_writable(m.picture.get()) < 0) return Error{"out of memory"};
    const uint8_t* src[4] = {s.bytes(), nullptr, nullptr, nullptr};
    int srcStride[4] = {s.bytesPerLine(), 0, 0, 0};
    sws_scale(m.sws.get(), src, srcStride, 0, s.height(), m.picture->data, m.picture->linesize);
    m.picture->pts = m.framesWritten++;
    if (m.quality > 0) m.picture->quality = v->global_quality;
    if (int r = avcodec_send_frame(v, m.picture.get()); r < 0)
        return Error{"cannot encode: " + ff::errorText(r)};
    return m.drain(v, m.videoStream);
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
    if (!(m.oc->oformat->flags & AVFMT_NOFILE) && avio_closep(&m.oc->pb) < 0)
        return Error{"cannot write " + m.path};
    std::error_code ec;
    std::filesystem::rename(m.tmpPath, m.path, ec);
    if (ec) return Error{"cannot write " + m.path + ": " + ec.message()};
    m.finished = true;
    return Status::success();
}

}  // namespace movalux
