#include "media/SoundSection.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <deque>
#include <map>
#include <mutex>

#include "media/FfmpegHolders.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace movalux {

namespace {

struct SwrDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct GraphDeleter {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};

}  // namespace

std::vector<double> tempoChain(double speed) {
    std::vector<double> chain;
    double left = std::clamp(speed, 0.01, 100.0);
    while (left < 0.5 - 1e-12) {
        chain.push_back(0.5);
        left /= 0.5;
    }
    while (left > 2.0 + 1e-12) {
        chain.push_back(2.0);
        left /= 2.0;
    }
    if (std::abs(left - 1.0) > 1e-12 || chain.empty()) chain.push_back(left);
    return chain;
}

struct SoundSection::Impl {
    ff::FormatInput fmt;
    ff::CodecContext dec;
    std::unique_ptr<SwrContext, SwrDeleter> swr;
    std::unique_ptr<AVFilterGraph, GraphDeleter> graph;
    AVFilterContext* src = nullptr;
    AVFilterContext* sink = nullptr;
    ff::Packet pkt{av_packet_alloc()};
    ff::Frame frame{av_frame_alloc()};
    ff::Frame filtered{av_frame_alloc()};
    int stream = -1;
    int rate = 0;
    int channels = 2;
    AVChannelLayout layout{};
    double origin = 0;  // seconds of the movie's first picture
    double from = 0;
    double speed = 1;
    bool stretch = false;
    double lead = 0;

    int64_t sectionFrames = 0;  // source sample frames of the section
    int64_t sectionTaken = 0;
    int64_t skipLeft = -1;  // source sample frames before the section; -1 until known
    bool inputDone = false;
    bool filterFlushed = false;
    bool filterDone = false;

    int64_t total = 0;  // frames delivered in all
    int64_t delivered = 0;
    std::deque<int16_t> ready;  // interleaved samples waiting to be read
    std::vector<int16_t> scratch;

    ~Impl() { av_channel_layout_uninit(&layout); }

    // Section samples (already in the output format) go on to the stretch
    // or straight to the reader.
    Status pushSection(const int16_t* data, int frames) {
        if (frames <= 0) return Status::success();
        if (!stretch) {
            ready.insert(ready.end(), data, data + static_cast<ptrdiff_t>(frames) * channels);
            return Status::success();
        }
        ff::Frame f(av_frame_alloc());
        if (!f) return Error{"out of memory"};
        f->format = AV_SAMPLE_FMT_S16;
        f->sample_rate = rate;
        f->nb_samples = frames;
        if (av_channel_layout_copy(&f->ch_layout, &layout) < 0 ||
            av_frame_get_buffer(f.get(), 0) < 0)
            return Error{"out of memory"};
        std::copy_n(data, static_cast<size_t>(frames) * channels,
                    reinterpret_cast<int16_t*>(f->data[0]));
        if (av_buffersrc_add_frame(src, f.get()) < 0) return Error{"cannot stretch the sound"};
        return pullFiltered();
    }

    Status pullFiltered() {
        for (;;) {
            const int r = av_buffersink_get_frame(sink, filtered.get());
            if (r == AVERROR(EAGAIN)) return Status::success();
            if (r == AVERROR_EOF) {
                filterDone = true;
                return Status::success();
            }
            if (r < 0) return Error{"cannot stretch the sound: " + ff::errorText(r)};
            const auto* s = reinterpret_cast<const int16_t*>(filtered->data[0]);
            ready.insert(ready.end(), s,
                         s + static_cast<ptrdiff_t>(filtered->nb_samples) * channels);
            av_frame_unref(filtered.get());
        }
    }

    // One decoded frame: converted, trimmed to the section, passed on.
    Status takeDecoded(AVFrame* f) {
        if (skipLeft < 0) {
            const int64_t ts = f->best_effort_timestamp;
            const AVRational tb = fmt->streams[stream]->time_base;
            const double at = ts == AV_NOPTS_VALUE ? from + origin : ts * av_q2d(tb);
            // Samples between the frame's start and the section's start are
            // dropped; a frame starting late (sound that begins after the
            // picture) is preceded by silence.
            const double lead = (from + origin) - at;
            if (lead >= 0) {
                skipLeft = std::llround(lead * rate);
            } else {
                skipLeft = 0;
                const int64_t silence =
                    std::min<int64_t>(std::llround(-lead * rate), sectionFrames - sectionTaken);
                scratch.assign(static_cast<size_t>(silence) * channels, 0);
                sectionTaken += silence;
                if (Status st = pushSection(scratch.data(), static_cast<int>(silence)); !st)
                    return st;
            }
        }
        const int maxOut = swr_get_out_samples(swr.get(), f->nb_samples);
        if (maxOut < 0) return Error{"cannot convert the sound"};
        scratch.resize(static_cast<size_t>(maxOut) * channels);
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(scratch.data())};
        const int got = swr_convert(swr.get(), outPlanes, maxOut,
                                    const_cast<const uint8_t**>(f->extended_data), f->nb_samples);
        if (got < 0) return Error{"cannot convert the sound"};
        int offset = 0;
        int count = got;
        if (skipLeft > 0) {
            const int drop = static_cast<int>(std::min<int64_t>(skipLeft, count));
            skipLeft -= drop;
            offset = drop;
            count -= drop;
        }
        count = static_cast<int>(std::min<int64_t>(count, sectionFrames - sectionTaken));
        if (count <= 0) return Status::success();
        sectionTaken += count;
        return pushSection(scratch.data() + static_cast<ptrdiff_t>(offset) * channels, count);
    }

    // Moves the pipeline on until something is ready or everything is done.
    Status advance() {
        while (ready.empty() && !(inputDone && (!stretch || filterDone))) {
            if (!inputDone) {
                if (sectionTaken >= sectionFrames) {
                    inputDone = true;
                } else {
                    const int r = av_read_frame(fmt.get(), pkt.get());
                    if (r < 0) {
                        // The end of the file (or a damaged tail): what the
                        // section still lacks is silence.
                        avcodec_send_packet(dec.get(), nullptr);
                        while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
                            Status st = takeDecoded(frame.get());
                            av_frame_unref(frame.get());
                            if (!st) return st;
                        }
                        const int64_t missing = sectionFrames - sectionTaken;
                        scratch.assign(
                            static_cast<size_t>(std::max<int64_t>(0, missing)) * channels, 0);
                        sectionTaken = sectionFrames;
                        if (missing > 0)
                            if (Status st = pushSection(scratch.data(), static_cast<int>(missing));
                                !st)
                                return st;
                        inputDone = true;
                    } else {
                        if (pkt->stream_index == stream &&
                            avcodec_send_packet(dec.get(), pkt.get()) >= 0) {
                            while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
                                Status st = takeDecoded(frame.get());
                                av_frame_unref(frame.get());
                                if (!st) return st;
                            }
                        }
                        av_packet_unref(pkt.get());
                    }
                }
                continue;
            }
            if (stretch && !filterFlushed) {
                filterFlushed = true;
                if (av_buffersrc_add_frame(src, nullptr) < 0)
                    return Error{"cannot stretch the sound"};
                if (Status st = pullFiltered(); !st) return st;
                if (!filterDone) filterDone = true;
            }
        }
        return Status::success();
    }

    Status buildStretch() {
        graph.reset(avfilter_graph_alloc());
        if (!graph) return Error{"out of memory"};
        char layoutName[64] = {};
        av_channel_layout_describe(&layout, layoutName, sizeof layoutName);
        char args[256];
        std::snprintf(args, sizeof args,
                      "time_base=1/%d:sample_rate=%d:sample_fmt=s16:channel_layout=%s", rate, rate,
                      layoutName);
        if (avfilter_graph_create_filter(&src, avfilter_get_by_name("abuffer"), "in", args, nullptr,
                                         graph.get()) < 0 ||
            avfilter_graph_create_filter(&sink, avfilter_get_by_name("abuffersink"), "out", nullptr,
                                         nullptr, graph.get()) < 0)
            return Error{"cannot stretch the sound"};
        // Each atempo keeps the pitch within 0.5..2; slower and faster
        // speeds chain several.
        AVFilterContext* last = src;
        int index = 0;
        for (double factor : tempoChain(speed)) {
            AVFilterContext* t = nullptr;
            char tempo[64];
            std::snprintf(tempo, sizeof tempo, "tempo=%.10f", factor);
            const std::string name = "tempo" + std::to_string(index++);
            if (avfilter_graph_create_filter(&t, avfilter_get_by_name("atempo"), name.c_str(),
                                             tempo, nullptr, graph.get()) < 0 ||
                avfilter_link(last, 0, t, 0) < 0)
                return Error{"cannot stretch the sound"};
            last = t;
        }
        AVFilterContext* format = nullptr;
        std::snprintf(args, sizeof args, "sample_fmts=s16:sample_rates=%d:channel_layouts=%s", rate,
                      layoutName);
        if (avfilter_graph_create_filter(&format, avfilter_get_by_name("aformat"), "format", args,
                                         nullptr, graph.get()) < 0 ||
            avfilter_link(last, 0, format, 0) < 0 || avfilter_link(format, 0, sink, 0) < 0 ||
            avfilter_graph_config(graph.get(), nullptr) < 0)
            return Error{"cannot stretch the sound"};
        return Status::success();
    }
};

double stretchLeadSeconds(int rate, double speed) {
    if (rate <= 0 || !(speed > 0) || std::abs(speed - 1.0) <= 1e-9) return 0;
    static std::mutex mutex;
    static std::map<std::pair<int, double>, double> known;
    const std::lock_guard lock(mutex);
    if (const auto found = known.find({rate, speed}); found != known.end()) return found->second;

    SoundSection::Impl m;
    m.rate = rate;
    m.channels = 1;
    av_channel_layout_default(&m.layout, 1);
    m.speed = speed;
    m.stretch = true;
    double lead = 0;
    if (m.buildStretch()) {
        // Beeps 40 ms long, 0.3137 s apart, so that their starts fall on
        // different places of the stretch's overlapping windows.
        constexpr int kBeeps = 8;
        constexpr double kFirst = 0.2, kSpacing = 0.3137, kLength = 0.04;
        std::vector<int16_t> signal(
            static_cast<size_t>(std::llround((kFirst + kBeeps * kSpacing + 0.2) * rate)), 0);
        std::vector<double> starts;
        for (int k = 0; k < kBeeps; ++k) {
            const double at = kFirst + k * kSpacing;
            starts.push_back(at);
            const auto first = static_cast<size_t>(std::llround(at * rate));
            const auto count = static_cast<size_t>(std::llround(kLength * rate));
            for (size_t i = 0; i < count && first + i < signal.size(); ++i)
                signal[first + i] = static_cast<int16_t>(
                    std::lround(8000 * std::sin(2 * M_PI * 1000.0 * static_cast<double>(i) / rate)));
        }
        bool fed = true;
        for (size_t i = 0; fed && i < signal.size(); i += 1024) {
            const int n = static_cast<int>(std::min<size_t>(1024, signal.size() - i));
            fed = static_cast<bool>(m.pushSection(signal.data() + i, n));
        }
        if (fed && av_buffersrc_add_frame(m.src, nullptr) >= 0 && m.pullFiltered()) {
            // A start: above half the beep's height after a quiet longer
            // than the beep.
            const auto quietNeeded = static_cast<size_t>(0.15 / speed * rate);
            size_t quiet = quietNeeded;
            std::vector<double> leads;
            for (size_t i = 0; i < m.ready.size(); ++i) {
                if (std::abs(static_cast<int>(m.ready[i])) > 4000) {
                    if (quiet >= quietNeeded && leads.size() < starts.size())
                        leads.push_back(starts[leads.size()] / speed -
                                        static_cast<double>(i) / rate);
                    quiet = 0;
                } else {
                    ++quiet;
                }
            }
            if (leads.size() == starts.size()) {
                std::sort(leads.begin(), leads.end());
                // A beep lost or split would make nonsense; a lead beyond a
                // tenth of a second is not the stretch's.
                lead = std::clamp(leads[leads.size() / 2], -0.1, 0.1);
            }
        }
    }
    known[{rate, speed}] = lead;
    return lead;
}

SoundSection::SoundSection(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SoundSection::~SoundSection() = default;

double SoundSection::leadSeconds() const {
    return impl_->lead;
}
int SoundSection::sampleRate() const {
    return impl_->rate;
}
int SoundSection::channels() const {
    return impl_->channels;
}
uint64_t SoundSection::channelMask() const {
    return impl_->layout.order == AV_CHANNEL_ORDER_NATIVE ? impl_->layout.u.mask : 0;
}
int64_t SoundSection::totalFrames() const {
    return impl_->total;
}
int64_t SoundSection::framesDelivered() const {
    return impl_->delivered;
}

Result<std::unique_ptr<SoundSection>> SoundSection::open(const SoundSectionRequest& r) {
    if (!(r.toSeconds >= r.fromSeconds) || !std::isfinite(r.fromSeconds) ||
        !std::isfinite(r.toSeconds))
        return Error{"the section of the sound is empty"};
    if (!(r.speed >= 0.1 - 1e-9 && r.speed <= 10 + 1e-9)) return Error{"speed out of range"};
    auto impl = std::make_unique<Impl>();
    Impl& m = *impl;
    AVFormatContext* raw = nullptr;
    if (int e = avformat_open_input(&raw, r.moviePath.c_str(), nullptr, nullptr); e < 0)
        return Error{"cannot open " + r.moviePath + ": " + ff::errorText(e)};
    m.fmt.reset(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return Error{"cannot read " + r.moviePath};
    const AVCodec* codec = nullptr;
    m.stream = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (m.stream < 0 || !codec) return Error{"the movie has no sound"};
    AVStream* st = raw->streams[m.stream];
    m.dec.reset(avcodec_alloc_context3(codec));
    if (!m.dec || avcodec_parameters_to_context(m.dec.get(), st->codecpar) < 0 ||
        avcodec_open2(m.dec.get(), codec, nullptr) < 0)
        return Error{"cannot decode the sound of " + r.moviePath};
    for (unsigned i = 0; i < raw->nb_streams; ++i)
        raw->streams[i]->discard =
            static_cast<int>(i) == m.stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

    m.rate = m.dec->sample_rate > 0 ? m.dec->sample_rate : 44100;
    const int srcChannels = std::max(1, m.dec->ch_layout.nb_channels);
    // A write keeps every channel (5.1 stays 5.1, in the source's layout);
    // the sound output of playback asks for stereo.
    m.channels = r.channels > 0 ? std::clamp(r.channels, 1, 2) : std::min(srcChannels, 8);
    if (r.channels <= 0 && m.dec->ch_layout.order == AV_CHANNEL_ORDER_NATIVE &&
        m.dec->ch_layout.nb_channels == m.channels)
        av_channel_layout_copy(&m.layout, &m.dec->ch_layout);
    else
        av_channel_layout_default(&m.layout, m.channels);
    SwrContext* swr = nullptr;
    AVChannelLayout inLayout{};
    if (m.dec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || m.dec->ch_layout.nb_channels == 0)
        av_channel_layout_default(&inLayout, srcChannels);
    else
        av_channel_layout_copy(&inLayout, &m.dec->ch_layout);
    const int made = swr_alloc_set_opts2(&swr, &m.layout, AV_SAMPLE_FMT_S16, m.rate, &inLayout,
                                         m.dec->sample_fmt, m.rate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    m.swr.reset(swr);
    if (made < 0 || !swr || swr_init(swr) < 0) return Error{"cannot convert the sound"};

    // Times count from the first picture, as frame numbers do.
    m.origin = 0;
    int video = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video >= 0 && raw->streams[video]->start_time != AV_NOPTS_VALUE)
        m.origin = raw->streams[video]->start_time * av_q2d(raw->streams[video]->time_base);
    else if (raw->start_time != AV_NOPTS_VALUE)
        m.origin = static_cast<double>(raw->start_time) / AV_TIME_BASE;
    m.from = std::max(0.0, r.fromSeconds);
    m.speed = r.speed;
    const double length = std::max(0.0, r.toSeconds - m.from);
    m.sectionFrames = std::llround(length * m.rate);
    m.total = std::llround(length / r.speed * m.rate);
    m.stretch = std::abs(r.speed - 1.0) > 1e-9;
    if (m.stretch) {
        if (Status built = m.buildStretch(); !built) return Error{built.error()};
        m.lead = stretchLeadSeconds(m.rate, m.speed);
    }

    const int64_t target = av_rescale_q(std::llround((m.from + m.origin) * AV_TIME_BASE),
                                        AV_TIME_BASE_Q, st->time_base);
    if (m.from > 0 && av_seek_frame(raw, m.stream, target, AVSEEK_FLAG_BACKWARD) < 0)
        av_seek_frame(raw, m.stream, 0, AVSEEK_FLAG_BACKWARD);
    return std::unique_ptr<SoundSection>(new SoundSection(std::move(impl)));
}

Result<int> SoundSection::read(std::vector<int16_t>& out, int maxFrames) {
    Impl& m = *impl_;
    const int64_t left = m.total - m.delivered;
    if (left <= 0 || maxFrames <= 0) return 0;
    if (Status st = m.advance(); !st) return Error{st.error()};
    int frames = static_cast<int>(
        std::min<int64_t>({left, maxFrames, static_cast<int64_t>(m.ready.size()) / m.channels}));
    if (frames == 0) {
        // The stretch may come out a little short of the exact length:
        // silence makes it up.
        frames = static_cast<int>(std::min<int64_t>(left, maxFrames));
        out.insert(out.end(), static_cast<size_t>(frames) * m.channels, int16_t{0});
    } else {
        const auto count = static_cast<ptrdiff_t>(frames) * m.channels;
        out.insert(out.end(), m.ready.begin(), m.ready.begin() + count);
        m.ready.erase(m.ready.begin(), m.ready.begin() + count);
    }
    m.delivered += frames;
    return frames;
}

}  // namespace movalux
