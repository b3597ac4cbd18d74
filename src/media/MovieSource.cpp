#include "media/MovieSource.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>
#include <unordered_map>
#include <vector>

#include "effects/Surface.h"
#include "media/FfmpegHolders.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace movalux {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxSide = 32767;

// One video packet of the file, in decode order.
struct Entry {
    int64_t pts = AV_NOPTS_VALUE;     // presentation time: the container's, or frame units
    int64_t srcPts = AV_NOPTS_VALUE;  // as the container gave it
    int64_t dts = AV_NOPTS_VALUE;
    int64_t pos = -1;
    uint64_t content = 0;  // hash of the packet's bytes
    bool key = false;
    bool bFrame = false;      // a picture shown before the anchor decoded ahead of it
    bool packedNext = false;  // the next packet only releases a B-frame packed into this one
};

enum class PictureKind { Unknown, Anchor, B };

// The picture coding type read straight from the bitstream of the codecs
// whose AVI files carry B-frames: MPEG-4 Part 2 (VOP start code, 2 bits)
// and MPEG-1/2 (picture start code, 10 bits of temporal reference, then 3
// bits). Reading it here needs no parser state, which a seek would upset.
struct PacketKinds {
    PictureKind first = PictureKind::Unknown;
    PictureKind second = PictureKind::Unknown;  // a second picture packed into the packet
};

PacketKinds pictureKinds(AVCodecID codec, const uint8_t* data, int size) {
    PacketKinds kinds;
    int found = 0;
    for (int i = 0; i + 5 < size && found < 2; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) continue;
        PictureKind kind = PictureKind::Unknown;
        if (codec == AV_CODEC_ID_MPEG4 && data[i + 3] == 0xB6) {
            const int type = data[i + 4] >> 6;  // 0 I, 1 P, 2 B, 3 S
            kind = type == 2 ? PictureKind::B : PictureKind::Anchor;
        } else if ((codec == AV_CODEC_ID_MPEG1VIDEO || codec == AV_CODEC_ID_MPEG2VIDEO) &&
                   data[i + 3] == 0x00) {
            const int type = (data[i + 5] >> 3) & 7;  // 1 I, 2 P, 3 B
            kind = type == 3 ? PictureKind::B : PictureKind::Anchor;
        } else {
            continue;
        }
        (found == 0 ? kinds.first : kinds.second) = kind;
        ++found;
        i += 3;
    }
    return kinds;
}

// FNV-1a over the packet's bytes and size: packets are recognised by what
// they hold, since some demuxers attach other timestamps, or cut the first
// packet differently, after a seek.
uint64_t contentHash(const uint8_t* data, int size) {
    uint64_t h = 1469598103934665603ull ^ static_cast<uint64_t>(size);
    for (int i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

}  // namespace

struct MovieSource::Impl {
    ff::FormatInput fmt;
    ff::CodecContext dec;
    ff::Packet pkt{av_packet_alloc()};
    ff::Frame frame{av_frame_alloc()};
    ff::Frame held{av_frame_alloc()};
    bool heldValid = false;
    SwsContext* sws = nullptr;
    int stream = -1;
    AVRational tb{1, 1};

    // Presentation order derived from picture types instead of the
    // container's timestamps (AVI: its timestamps count decoded pictures).
    bool decodeOrder = false;
    std::vector<Entry> entries;
    std::vector<int32_t> keyOf;           // entry -> key entry to decode it from
    std::vector<int32_t> byPresentation;  // presentation rank -> entry
    std::vector<int64_t> sortedPts;       // presentation times, ascending
    bool constantRate = true;
    double ticksPerFrame = 1;
    int32_t frameCount = 0;

    enum class Match { Pts, Content, Ordinal };
    Match match = Match::Ordinal;
    std::unordered_map<int64_t, int32_t> lookup;
    std::unordered_map<int64_t, int32_t> byDts;  // unique decode times, for repeated bytes

    // Decoding state.
    bool needSeek = true;
    bool inputDone = false;
    bool skipping = false;
    int32_t startKey = -1;  // key entry this run of decoding began with
    int32_t lastRead = -1;  // entry of the last packet read
    int seekAttempt = 0;
    int64_t lastOutPts = std::numeric_limits<int64_t>::min();
    int seeks = 0;

    std::chrono::milliseconds timeout{1000};
    Clock::time_point deadline{};
    bool deadlineArmed = false;

    ~Impl() { sws_freeContext(sws); }

    static int interrupt(void* opaque) {
        auto* self = static_cast<Impl*>(opaque);
        return self->deadlineArmed && Clock::now() > self->deadline ? 1 : 0;
    }
    bool timeUp() const { return deadlineArmed && Clock::now() > deadline; }

    int32_t findEntry(const AVPacket* p) const {
        int64_t k;
        switch (match) {
            case Match::Pts:
                k = p->pts;
                break;
            case Match::Content:
                k = static_cast<int64_t>(contentHash(p->data, p->size));
                break;
            default:
                return -1;
        }
        if (auto it = lookup.find(k); it != lookup.end()) return it->second;
        // Packets with the same bytes (a still stretch of an intra-only
        // movie) are told apart by their decode time where that is unique
        // and the bytes agree.
        if (match == Match::Content && p->dts != AV_NOPTS_VALUE) {
            if (auto it = byDts.find(p->dts);
                it != byDts.end() &&
                entries[static_cast<size_t>(it->second)].content == static_cast<uint64_t>(k))
                return it->second;
        }
        return -1;
    }

    int readVideoPacket() {
        for (;;) {
            const int r = av_read_frame(fmt.get(), pkt.get());
            if (r < 0) return r;
            if (pkt->stream_index == stream && pkt->size > 0) return 0;
            av_packet_unref(pkt.get());
        }
    }

    // Positions the demuxer at or before the key entry; the read loop skips
    // forward to it. Later attempts start further back, for containers whose
    // own index lands past the key frame.
    void seekToKey(int32_t key) {
        ++seeks;
        avcodec_flush_buffers(dec.get());
        heldValid = false;
        av_frame_unref(held.get());
        inputDone = false;
        lastOutPts = std::numeric_limits<int64_t>::min();
        startKey = key;
        lastRead = -1;
        skipping = match != Match::Ordinal;
        needSeek = false;
        const Entry& e = entries[static_cast<size_t>(key)];
        int64_t ts = e.dts != AV_NOPTS_VALUE ? e.dts : e.srcPts;
        const int64_t second = std::max<int64_t>(1, tb.den / std::max(1, tb.num));
        if (match == Match::Ordinal || ts == AV_NOPTS_VALUE || seekAttempt >= 4) {
            // Back to the very start; the counting needs it.
            const Entry& first = entries.front();
            int64_t firstTs = first.dts != AV_NOPTS_VALUE ? first.dts : first.srcPts;
            if (firstTs == AV_NOPTS_VALUE) firstTs = 0;
            if (avformat_seek_file(fmt.get(), stream, std::numeric_limits<int64_t>::min(),
                                   firstTs - second, firstTs - second, 0) < 0)
                av_seek_frame(fmt.get(), stream, first.pos, AVSEEK_FLAG_BYTE);
            if (match == Match::Ordinal) startKey = 0;
            return;
        }
        const int64_t margin = seekAttempt == 0 ? 0 : second << (2 * (seekAttempt - 1));
        ts -= margin;
        if (av_seek_frame(fmt.get(), stream, ts, AVSEEK_FLAG_BACKWARD) < 0)
            avformat_seek_file(fmt.get(), stream, std::numeric_limits<int64_t>::min(), ts, ts, 0);
    }

    bool convert(const AVFrame* f, Surface& picture) {
        if (picture.empty() || f->width <= 0 || f->height <= 0) return false;
        const auto format = static_cast<AVPixelFormat>(f->format);
        sws = sws_getCachedContext(sws, f->width, f->height, format, picture.width(),
                                   picture.height(), AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr,
                                   nullptr, nullptr);
        if (!sws) return false;
        uint8_t* dst[4] = {picture.bytes(), nullptr, nullptr, nullptr};
        int dstStride[4] = {picture.bytesPerLine(), 0, 0, 0};
        sws_scale(sws, f->data, f->linesize, 0, f->height, dst, dstStride);
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
        // A movie's own transparency is not part of a frame here.
        if (desc && (desc->flags & AV_PIX_FMT_FLAG_ALPHA))
            for (uint32_t& p : picture.pixels()) p |= kOpaque;
        return true;
    }

    // Entry whose picture is shown at frame n, or -1.
    int32_t entryForFrame(int32_t n) const {
        if (n < 0 || n >= frameCount) return -1;
        if (constantRate) return byPresentation[static_cast<size_t>(n)];
        // The picture on screen at n / rate, allowing half a frame for
        // timestamps rounded to the time base.
        const double t = static_cast<double>(sortedPts.front()) + (n + 0.5) * ticksPerFrame;
        auto it = std::upper_bound(sortedPts.begin(), sortedPts.end(),
                                   static_cast<int64_t>(std::floor(t)));
        if (it == sortedPts.begin()) return byPresentation.front();
        return byPresentation[static_cast<size_t>(it - sortedPts.begin() - 1)];
    }

    bool request(int32_t n, Surface& picture);
    bool decodeUntil(int64_t target, int32_t key, Surface& picture);
};

bool MovieSource::Impl::request(int32_t n, Surface& picture) {
    const int32_t e = entryForFrame(n);
    if (e < 0) return false;
    const int64_t target = entries[static_cast<size_t>(e)].pts;
    const int32_t key = keyOf[static_cast<size_t>(e)];
    if (heldValid && lastOutPts == target) return convert(held.get(), picture);

    // Decoding on from the current position is right when this run of
    // decoding can produce the target (its key frame is not before the one
    // the run began with), the target has not gone by, and the key frame is
    // not still ahead (then a seek skips the pictures in between).
    const bool decodeOn =
        !needSeek && key >= startKey && target > lastOutPts && key <= lastRead + 1;
    seekAttempt = 0;
    if (!decodeOn) seekToKey(key);
    return decodeUntil(target, key, picture);
}

bool MovieSource::Impl::decodeUntil(int64_t target, int32_t key, Surface& picture) {
    AVCodecContext* c = dec.get();
    for (;;) {
        if (timeUp()) {
            needSeek = true;
            return false;
        }
        int r = avcodec_receive_frame(c, frame.get());
        if (r == 0) {
            int64_t p = frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
            if (p == AV_NOPTS_VALUE) {
                av_frame_unref(frame.get());
                continue;
            }
            lastOutPts = p;
            if (p < target) {
                av_frame_unref(frame.get());
                continue;
            }
            av_frame_unref(held.get());
            av_frame_move_ref(held.get(), frame.get());
            heldValid = true;
            // A later picture first means the target's own was lost (damaged
            // stream); the later one is kept for the request that wants it.
            return p == target && convert(held.get(), picture);
        }
        if (r != AVERROR(EAGAIN) || inputDone) {
            needSeek = true;
            return false;
        }
        r = readVideoPacket();
        if (r == AVERROR_EOF) {
            if (skipping) {
                needSeek = true;
                return false;
            }
            avcodec_send_packet(c, nullptr);
            inputDone = true;
            continue;
        }
        if (r < 0) {
            needSeek = true;
            return false;
        }
        int32_t idx = findEntry(pkt.get());
        if (skipping) {
            if (idx > key) {
                // Landed past the key frame: start further back.
                av_packet_unref(pkt.get());
                if (++seekAttempt > 5) {
                    needSeek = true;
                    return false;
                }
                seekToKey(key);
                --seeks;
                continue;
            }
            if (idx != key) {
                av_packet_unref(pkt.get());
                continue;
            }
            skipping = false;
        }
        if (idx < 0) idx = lastRead + 1;
        lastRead = idx;
        if (decodeOrder && idx < static_cast<int32_t>(entries.size())) {
            pkt->pts = entries[static_cast<size_t>(idx)].pts;
            pkt->dts = AV_NOPTS_VALUE;
        }
        // A damaged packet loses its picture only; decoding goes on.
        avcodec_send_packet(c, pkt.get());
        av_packet_unref(pkt.get());
    }
}

MovieSource::MovieSource(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
MovieSource::~MovieSource() = default;

void MovieSource::setRequestTimeout(std::chrono::milliseconds timeout) {
    impl_->timeout = timeout;
}
int MovieSource::seekCount() const {
    return impl_->seeks;
}

bool MovieSource::paintFrame(int32_t frame, Surface& picture) {
    Impl& m = *impl_;
    if (!info_.hasVideo) return false;
    m.deadline = Clock::now() + m.timeout;
    m.deadlineArmed = true;
    const bool ok = m.request(frame, picture);
    m.deadlineArmed = false;
    return ok;
}

Result<std::unique_ptr<MovieSource>> MovieSource::open(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return Error{"file not found: " + path};

    auto impl = std::make_unique<Impl>();
    Impl& m = *impl;
    AVFormatContext* raw = avformat_alloc_context();
    if (!raw) return Error{"out of memory"};
    raw->interrupt_callback = AVIOInterruptCB{&Impl::interrupt, &m};
    if (int r = avformat_open_input(&raw, path.c_str(), nullptr, nullptr); r < 0)
        return Error{"not a movie (" + ff::errorText(r) + "): " + path};
    m.fmt.reset(raw);
    if (int r = avformat_find_stream_info(m.fmt.get(), nullptr); r < 0)
        return Error{"cannot read the movie (" + ff::errorText(r) + "): " + path};

    MovieInfo info;
    info.formatName = m.fmt->iformat ? m.fmt->iformat->name : "";
    for (unsigned i = 0; i < m.fmt->nb_streams; ++i) {
        const AVStream* st = m.fmt->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) info.hasSound = true;
        const bool picture = st->disposition & AV_DISPOSITION_ATTACHED_PIC;
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !picture && m.stream < 0)
            m.stream = static_cast<int>(i);
    }
    if (m.stream >= 0) {
        const int best = av_find_best_stream(m.fmt.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        if (best >= 0 && !(m.fmt->streams[best]->disposition & AV_DISPOSITION_ATTACHED_PIC))
            m.stream = best;
    }
    if (m.stream < 0) {
        // No video: the caller tells the user; nothing more is read.
        std::unique_ptr<MovieSource> src(new MovieSource(std::move(impl)));
        src->info_ = info;
        src->path_ = path;
        return src;
    }
    for (unsigned i = 0; i < m.fmt->nb_streams; ++i)
        if (static_cast<int>(i) != m.stream) m.fmt->streams[i]->discard = AVDISCARD_ALL;

    AVStream* st = m.fmt->streams[m.stream];
    m.tb = st->time_base;
    const AVCodecParameters* par = st->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return Error{"no decoder for the video of " + path};
    m.dec.reset(avcodec_alloc_context3(codec));
    if (!m.dec || avcodec_parameters_to_context(m.dec.get(), par) < 0)
        return Error{"cannot decode the video of " + path};
    m.dec->thread_count = 0;
    m.dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    m.dec->pkt_timebase = m.tb;
    if (avcodec_open2(m.dec.get(), codec, nullptr) < 0)
        return Error{"cannot decode the video of " + path};
    info.codecName = codec->name;
    info.width = par->width;
    info.height = par->height;
    if (info.width <= 0 || info.height <= 0 || info.width > kMaxSide || info.height > kMaxSide)
        return Error{"video size not supported: " + path};

    // The index: one pass over the packets, nothing decoded.
    m.decodeOrder = info.formatName == "avi";
    bool packedPending = false;
    for (;;) {
        const int r = m.readVideoPacket();
        if (r == AVERROR_EOF) break;
        if (r < 0) {
            // A read error ends the usable part of the file, as EOF does.
            break;
        }
        Entry e;
        e.srcPts = m.pkt->pts;
        e.pts = m.pkt->pts;
        e.dts = m.pkt->dts;
        e.pos = m.pkt->pos;
        e.key = m.pkt->flags & AV_PKT_FLAG_KEY;
        e.content = contentHash(m.pkt->data, m.pkt->size);
        const PacketKinds kinds = pictureKinds(par->codec_id, m.pkt->data, m.pkt->size);
        if (packedPending) {
            // The placeholder after a packed pair releases its B-frame.
            e.bFrame = true;
            packedPending = false;
        } else {
            e.bFrame = kinds.first == PictureKind::B;
            if (kinds.first == PictureKind::Anchor && kinds.second == PictureKind::B) {
                e.packedNext = true;
                packedPending = true;
            }
        }
        m.entries.push_back(e);
        av_packet_unref(m.pkt.get());
    }
    if (m.entries.empty()) return Error{"the movie holds no pictures: " + path};
    const size_t count = m.entries.size();

    if (!m.decodeOrder) {
        std::unordered_map<int64_t, int32_t> seen;
        for (size_t i = 0; i < count && !m.decodeOrder; ++i) {
            if (m.entries[i].pts == AV_NOPTS_VALUE ||
                !seen.emplace(m.entries[i].pts, static_cast<int32_t>(i)).second)
                m.decodeOrder = true;
        }
        if (!m.decodeOrder) {
            m.lookup = std::move(seen);
            m.match = Impl::Match::Pts;
        }
    }
    if (m.decodeOrder) {
        // Anchors are shown in decode order, each B-frame before the anchor
        // decoded just ahead of it.
        int64_t next = 0;
        int32_t heldAnchor = -1;
        for (size_t i = 0; i < count; ++i) {
            if (m.entries[i].bFrame) {
                m.entries[i].pts = next++;
            } else {
                if (heldAnchor >= 0) m.entries[static_cast<size_t>(heldAnchor)].pts = next++;
                heldAnchor = static_cast<int32_t>(i);
            }
        }
        if (heldAnchor >= 0) m.entries[static_cast<size_t>(heldAnchor)].pts = next++;
        // Packets are recognised again after a seek by their bytes; the
        // few that are not unique are counted from the one before.
        std::unordered_map<int64_t, int32_t> byContent;
        std::unordered_map<int64_t, int> uses;
        for (size_t i = 0; i < count; ++i) ++uses[static_cast<int64_t>(m.entries[i].content)];
        for (size_t i = 0; i < count; ++i) {
            const auto k = static_cast<int64_t>(m.entries[i].content);
            if (uses[k] == 1) byContent.emplace(k, static_cast<int32_t>(i));
        }
        m.lookup = std::move(byContent);
        m.match = Impl::Match::Content;
        std::unordered_map<int64_t, int> dtsUses;
        for (size_t i = 0; i < count; ++i) ++dtsUses[m.entries[i].dts];
        for (size_t i = 0; i < count; ++i)
            if (m.entries[i].dts != AV_NOPTS_VALUE && dtsUses[m.entries[i].dts] == 1)
                m.byDts.emplace(m.entries[i].dts, static_cast<int32_t>(i));
    }

    // Presentation order.
    m.byPresentation.resize(count);
    for (size_t i = 0; i < count; ++i) m.byPresentation[i] = static_cast<int32_t>(i);
    std::sort(m.byPresentation.begin(), m.byPresentation.end(),
              [&](int32_t a, int32_t b) { return m.entries[a].pts < m.entries[b].pts; });
    m.sortedPts.resize(count);
    for (size_t i = 0; i < count; ++i)
        m.sortedPts[i] = m.entries[static_cast<size_t>(m.byPresentation[i])].pts;

    // Key frames: each picture decodes from the last key frame before it
    // whose own time is not later (an open group's leading B-frames need the
    // group before).
    std::vector<int32_t> keys;
    m.keyOf.resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (m.entries[i].key || i == 0) keys.push_back(static_cast<int32_t>(i));
        size_t k = keys.size();
        while (k > 1 && m.entries[static_cast<size_t>(keys[k - 1])].pts > m.entries[i].pts) --k;
        m.keyOf[i] = keys[k - 1];
    }

    // Frame rate and length.
    double rate = 0;
    if (st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0)
        rate = av_q2d(st->avg_frame_rate);
    else if (st->r_frame_rate.num > 0 && st->r_frame_rate.den > 0)
        rate = av_q2d(st->r_frame_rate);
    if (m.decodeOrder) {
        m.constantRate = true;
        m.frameCount = static_cast<int32_t>(std::min<size_t>(count, INT32_MAX - 1));
        m.ticksPerFrame = 1;
        if (rate <= 0) rate = 25;
        info.duration = m.frameCount / rate;
    } else {
        const int64_t span = m.sortedPts.back() - m.sortedPts.front();
        if (rate <= 0) {
            rate = count > 1 && span > 0 ? (count - 1) / (span * av_q2d(m.tb)) : 25;
        }
        m.ticksPerFrame = 1.0 / (rate * av_q2d(m.tb));
        // Evenly spaced pictures are numbered by their order, immune to
        // rounding of the timestamps; others by the time they are shown.
        m.constantRate = true;
        for (size_t i = 1; i < count && m.constantRate; ++i) {
            const double d = static_cast<double>(m.sortedPts[i] - m.sortedPts[i - 1]);
            if (std::abs(d - m.ticksPerFrame) > std::max(1.0, 0.02 * m.ticksPerFrame))
                m.constantRate = false;
        }
        if (m.constantRate) {
            m.frameCount = static_cast<int32_t>(std::min<size_t>(count, INT32_MAX - 1));
            info.duration = m.frameCount / rate;
        } else {
            const double frames = std::floor(span / m.ticksPerFrame + 0.5) + 1;
            m.frameCount = static_cast<int32_t>(std::min<double>(frames, INT32_MAX - 1));
            info.duration = span * av_q2d(m.tb) + 1 / rate;
        }
    }
    info.frameRate = rate;
    info.frameCount = m.frameCount;
    info.hasVideo = true;

    std::unique_ptr<MovieSource> src(new MovieSource(std::move(impl)));
    src->info_ = info;
    src->path_ = path;
    // A movie none of whose pictures decode (cut short inside its first
    // frame, a damaged stream) is not opened.
    Surface probe(info.width, info.height, kBlack);
    if (!src->paintFrame(0, probe)) return Error{"no picture can be decoded from " + path};
    return src;
}

}  // namespace movalux
