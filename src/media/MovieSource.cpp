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
#include <libavcodec/bsf.h>
#include <libavutil/pixdesc.h>
}

namespace movalux {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMaxSide = 32767;
constexpr int64_t kNoTime = AV_NOPTS_VALUE;
constexpr int64_t kMinTime = std::numeric_limits<int64_t>::min();
// Seeks that land too late start this many times further back before the
// request goes back to the start of the movie.
constexpr int kMaxEarlierSeeks = 5;
// Decode errors in a row after which a request gives up.
constexpr int kMaxErrorsInARow = 500;

// One video packet of a file read whole, in decode order.
struct Entry {
    int64_t pts = kNoTime;  // presentation time, in the source's time units
    int64_t srcPts = kNoTime;
    int64_t dts = kNoTime;
    uint64_t content = 0;  // hash of the packet's bytes
    bool key = false;
    bool bFrame = false;  // shown before the anchor decoded just ahead of it
};

enum class PictureKind { Unknown, Anchor, B };

// The picture coding type read straight from the bitstream of the codecs
// whose AVI and MPEG files carry B-frames: MPEG-4 Part 2 (VOP start code, 2
// bits) and MPEG-1/2 (picture start code, 10 bits of temporal reference,
// then 3 bits). Reading it here needs no parser state, which a seek would
// upset. Packed B-frames are unpacked before this sees them.
PictureKind pictureKind(AVCodecID codec, const uint8_t* data, int size) {
    for (int i = 0; i + 5 < size; ++i) {
        if (data[i] != 0 || data[i + 1] != 0 || data[i + 2] != 1) continue;
        if (codec == AV_CODEC_ID_MPEG4 && data[i + 3] == 0xB6) {
            const int type = data[i + 4] >> 6;  // 0 I, 1 P, 2 B, 3 S
            return type == 2 ? PictureKind::B : PictureKind::Anchor;
        }
        if ((codec == AV_CODEC_ID_MPEG1VIDEO || codec == AV_CODEC_ID_MPEG2VIDEO) &&
            data[i + 3] == 0x00) {
            const int type = (data[i + 5] >> 3) & 7;  // 1 I, 2 P, 3 B
            return type == 3 ? PictureKind::B : PictureKind::Anchor;
        }
    }
    return PictureKind::Unknown;
}

// FNV-1a over the packet's bytes and size: packets are recognised by what
// they hold, since some demuxers attach other timestamps, or cut the first
// packet differently, after a seek.
uint64_t contentHash(const uint8_t* data, int size) {
    uint64_t h = 1469598103934665603ull ^ static_cast<uint64_t>(size);
    for (int i = 0; i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
    return h;
}

bool validRate(AVRational r) {
    return r.num > 0 && r.den > 0 && av_q2d(r) >= 0.01 && av_q2d(r) <= 1000;
}

// The nominal rate where FFmpeg found one that fits the timestamps (a phone
// movie that starts late or drops a picture keeps its 30 frames a second);
// the average where the nominal one is a time base rather than a rate.
AVRational chooseRate(const AVStream* st) {
    const AVRational nominal = st->r_frame_rate;
    const AVRational average = st->avg_frame_rate;
    if (validRate(nominal) && validRate(average)) {
        const double ratio = av_q2d(nominal) / av_q2d(average);
        return ratio >= 0.98 && ratio <= 1.5 ? nominal : average;
    }
    if (validRate(average)) return average;
    if (validRate(nominal)) return nominal;
    return AVRational{25, 1};
}

// Containers whose timestamps give every picture's presentation time and
// whose index finds the key frame before a time.
bool trustsTimestamps(const std::string& format) {
    for (const char* name : {"mov", "matroska", "asf", "flv"})
        if (format.find(name) != std::string::npos) return true;
    return false;
}

}  // namespace

struct MovieSource::Impl {
    std::string path;
    ff::FormatInput fmt;
    ff::CodecContext dec;
    ff::Packet pkt{av_packet_alloc()};
    ff::Frame frame{av_frame_alloc()};
    ff::Frame cur{av_frame_alloc()};   // last picture at or before the asked time
    ff::Frame next{av_frame_alloc()};  // the picture after it, when already decoded
    bool curValid = false;
    bool nextValid = false;
    int64_t curPts = kMinTime;
    int64_t nextPts = kMinTime;
    AVBSFContext* bsf = nullptr;  // unpacks packed B-frames (MPEG-4 Part 2)
    bool bsfDrained = false;
    SwsContext* sws = nullptr;
    int stream = -1;
    AVCodecID codec = AV_CODEC_ID_NONE;
    AVRational tb{1, 1};    // the container's time base
    AVRational unit{1, 1};  // the time base of presentation times here
    AVRational rate{25, 1};

    // Timestamps from the container, seeking through its index; or a
    // presentation order learnt by reading the whole file.
    bool readWhole = false;
    // Presentation times are ours, handed to the decoder on every packet.
    bool ownTimes = false;
    std::vector<Entry> entries;
    std::vector<int32_t> keys;            // key entries, ascending
    std::vector<int32_t> keyOf;           // entry -> key entry to decode it from
    std::vector<int32_t> byPresentation;  // presentation rank -> entry
    std::vector<int64_t> sortedPts;       // presentation times, ascending
    enum class Match { Pts, Content };
    Match match = Match::Content;
    std::unordered_map<int64_t, int32_t> lookup;
    std::unordered_map<int64_t, int32_t> byDts;  // unique decode times, for repeated bytes

    int64_t t0 = 0;      // presentation time of the first picture
    int64_t endPts = 0;  // where the last picture ends
    int32_t frameCount = 0;
    int64_t firstPacketPos = -1;
    int64_t firstPacketTs = kNoTime;  // decode time of the first packet, or its presentation time

    // The run of decoding since the last seek.
    bool needSeek = true;
    bool inputDone = false;
    bool drained = false;
    bool runFromStart = false;
    bool awaitKey = false;         // skip packets up to the first key packet
    int64_t runKeyPts = kMinTime;  // pictures before the run's key frame lack their references
    int32_t runKey = -1;           // read whole: key entry the run began with
    int32_t lastRead = -1;         // read whole: entry of the last packet read
    int64_t lastReadDts = kMinTime;
    bool skipping = false;
    int landingAttempt = 0;
    int seeks = 0;
    int decodeErrors = 0;

    std::chrono::milliseconds timeout{1000};
    Clock::time_point deadline{};
    bool deadlineArmed = false;

    ~Impl() {
        sws_freeContext(sws);
        av_bsf_free(&bsf);
    }

    static int interrupt(void* opaque) {
        auto* self = static_cast<Impl*>(opaque);
        return self->deadlineArmed && Clock::now() > self->deadline ? 1 : 0;
    }
    bool timeUp() const { return deadlineArmed && Clock::now() > deadline; }

    // The latest presentation time shown at frame n: n / rate after the
    // first picture, allowing half a time unit for timestamps rounded to
    // the container's clock.
    int64_t limit(int32_t n) const {
        const __int128 num = static_cast<__int128>(2) * n * unit.den * rate.den +
                             static_cast<__int128>(unit.num) * rate.num;
        const __int128 den = static_cast<__int128>(2) * unit.num * rate.num;
        return t0 + static_cast<int64_t>(num / den);
    }

    void noteDecodeError(int err) {
        if (decodeErrors++ == 0)
            av_log(nullptr, AV_LOG_WARNING,
                   "%s: a picture could not be decoded (%s); its nearest decodable picture is "
                   "shown in its place\n",
                   path.c_str(), ff::errorText(err).c_str());
    }

    // The next video packet as the decoder should get it: packed B-frames
    // unpacked, empty chunks (a dropped frame) left out.
    int readVideoPacket() {
        for (;;) {
            if (bsf) {
                const int r = av_bsf_receive_packet(bsf, pkt.get());
                if (r == 0) {
                    if (pkt->size > 0) return 0;
                    av_packet_unref(pkt.get());
                    continue;
                }
                if (r == AVERROR_EOF) return AVERROR_EOF;
                if (r != AVERROR(EAGAIN)) return r;
            }
            const int r = av_read_frame(fmt.get(), pkt.get());
            if (r < 0) {
                if (bsf && !bsfDrained) {
                    bsfDrained = true;
                    av_bsf_send_packet(bsf, nullptr);
                    continue;
                }
                return r;
            }
            if (pkt->stream_index != stream || pkt->size <= 0) {
                av_packet_unref(pkt.get());
                continue;
            }
            if (!bsf) return 0;
            if (av_bsf_send_packet(bsf, pkt.get()) < 0) av_packet_unref(pkt.get());
        }
    }

    void resetRun() {
        ++seeks;
        avcodec_flush_buffers(dec.get());
        if (bsf) av_bsf_flush(bsf);
        bsfDrained = false;
        curValid = nextValid = false;
        av_frame_unref(cur.get());
        av_frame_unref(next.get());
        curPts = nextPts = kMinTime;
        inputDone = drained = false;
        lastRead = -1;
        lastReadDts = kMinTime;
        needSeek = false;
    }

    // Back to the first packet. Demuxers differ in what lands there: an
    // index search for the first time (MP4), a search by timestamps a little
    // before it, or the first packet's byte position (program streams).
    void seekToStart(int attempt) {
        const int64_t second = std::max<int64_t>(1, tb.den / std::max(1, tb.num));
        if (attempt == 0 && firstPacketTs != kNoTime &&
            av_seek_frame(fmt.get(), stream, firstPacketTs, AVSEEK_FLAG_BACKWARD) >= 0)
            return;
        if (attempt <= 1 && firstPacketTs != kNoTime &&
            avformat_seek_file(fmt.get(), stream, kMinTime, firstPacketTs - second,
                               firstPacketTs - second, 0) >= 0)
            return;
        av_seek_frame(fmt.get(), stream, std::max<int64_t>(0, firstPacketPos), AVSEEK_FLAG_BYTE);
    }

    // Read whole: positions the demuxer at or before the key entry; the read
    // loop skips forward to it. Later landing attempts start further back,
    // for containers whose own index lands past the key frame.
    void seekToKey(int32_t key) {
        resetRun();
        runKey = key;
        runFromStart = key == keys.front();
        runKeyPts = runFromStart ? kMinTime : entries[static_cast<size_t>(key)].pts;
        skipping = true;
        awaitKey = false;
        const Entry& e = entries[static_cast<size_t>(key)];
        int64_t ts = e.dts != kNoTime ? e.dts : e.srcPts;
        const int64_t second = std::max<int64_t>(1, tb.den / std::max(1, tb.num));
        if (runFromStart || ts == kNoTime || landingAttempt >= 4) {
            seekToStart(landingAttempt);
            return;
        }
        const int64_t margin = landingAttempt == 0 ? 0 : second << (2 * (landingAttempt - 1));
        ts -= margin;
        if (av_seek_frame(fmt.get(), stream, ts, AVSEEK_FLAG_BACKWARD) < 0)
            avformat_seek_file(fmt.get(), stream, kMinTime, ts, ts, 0);
    }

    // Timestamps: the key frame at or before the time, `attempt` steps
    // further back each time the last one landed too late.
    void seekToTime(int64_t target, int attempt) {
        resetRun();
        skipping = false;
        awaitKey = true;
        runKeyPts = kMinTime;
        const int64_t second = std::max<int64_t>(1, tb.den / std::max(1, tb.num));
        const int64_t margin = attempt == 0 ? 0 : second << (2 * (attempt - 1));
        const int64_t ts = target - margin;
        runFromStart = attempt >= kMaxEarlierSeeks || ts <= t0;
        if (runFromStart) {
            seekToStart(0);
            return;
        }
        if (av_seek_frame(fmt.get(), stream, ts, AVSEEK_FLAG_BACKWARD) < 0) {
            runFromStart = true;
            seekToStart(0);
        }
    }

    int32_t findEntry(const AVPacket* p) const {
        const int64_t k =
            match == Match::Pts ? p->pts : static_cast<int64_t>(contentHash(p->data, p->size));
        if (auto it = lookup.find(k); it != lookup.end()) return it->second;
        // Packets with the same bytes (a still stretch of an intra-only
        // movie) are told apart by their decode time where that is unique
        // and the bytes agree.
        if (match == Match::Content && p->dts != kNoTime) {
            if (auto it = byDts.find(p->dts);
                it != byDts.end() &&
                entries[static_cast<size_t>(it->second)].content == static_cast<uint64_t>(k))
                return it->second;
        }
        return -1;
    }

    // Read whole: the entry whose picture is on screen at the time.
    int32_t entryAt(int64_t time) const {
        auto it = std::upper_bound(sortedPts.begin(), sortedPts.end(), time);
        if (it == sortedPts.begin()) return byPresentation.front();
        return byPresentation[static_cast<size_t>(it - sortedPts.begin() - 1)];
    }

    // Whether decoding on from the current position reaches the time without
    // passing a key frame a seek could start from.
    bool canDecodeOn(int64_t target) const {
        if (needSeek || !curValid || target < curPts) return false;
        if (readWhole) {
            const int32_t key = keyOf[static_cast<size_t>(entryAt(target))];
            return key >= runKey && key <= lastRead + 1;
        }
        const AVStream* st = fmt->streams[stream];
        const int idx =
            av_index_search_timestamp(const_cast<AVStream*>(st), target, AVSEEK_FLAG_BACKWARD);
        const AVIndexEntry* e =
            idx >= 0 ? avformat_index_get_entry(const_cast<AVStream*>(st), idx) : nullptr;
        if (e) return e->timestamp <= std::max(lastReadDts, curPts);
        const int64_t twoSeconds = 2 * std::max<int64_t>(1, tb.den / std::max(1, tb.num));
        return target - curPts < twoSeconds;
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

    enum class Outcome { Found, NeedEarlier, Failed };
    Outcome decodeTo(int64_t target);
    bool feedPacket();
    bool request(int32_t n, Surface& picture);
    Status indexByReading(const AVCodecParameters* par,
                          const std::function<void(double)>& progress);
    void timesFromContainer();
};

// Hands the decoder the next packet; false when the input has ended.
bool MovieSource::Impl::feedPacket() {
    AVCodecContext* c = dec.get();
    for (;;) {
        const int r = readVideoPacket();
        if (r < 0) {
            // A read error ends the usable part of the file, as its end does.
            if (skipping) return false;
            avcodec_send_packet(c, nullptr);
            inputDone = true;
            return true;
        }
        if (awaitKey) {
            if (!(pkt->flags & AV_PKT_FLAG_KEY)) {
                av_packet_unref(pkt.get());
                continue;
            }
            awaitKey = false;
            if (pkt->pos >= 0 && pkt->pos == firstPacketPos) runFromStart = true;
            if (!runFromStart) runKeyPts = pkt->pts != kNoTime ? pkt->pts : pkt->dts;
        }
        if (readWhole) {
            int32_t idx = findEntry(pkt.get());
            if (skipping) {
                if (idx > runKey) {
                    // Landed past the key frame: start further back.
                    av_packet_unref(pkt.get());
                    if (++landingAttempt > 5) return false;
                    seekToKey(runKey);
                    --seeks;
                    continue;
                }
                if (idx != runKey) {
                    av_packet_unref(pkt.get());
                    continue;
                }
                skipping = false;
            }
            if (idx < 0) idx = lastRead + 1;
            lastRead = idx;
            if (ownTimes && idx < static_cast<int32_t>(entries.size())) {
                pkt->pts = entries[static_cast<size_t>(idx)].pts;
                pkt->dts = kNoTime;
            }
        }
        if (pkt->dts != kNoTime) lastReadDts = pkt->dts;
        const int s = avcodec_send_packet(c, pkt.get());
        av_packet_unref(pkt.get());
        // A damaged packet loses its picture only; decoding goes on.
        if (s < 0 && s != AVERROR(EAGAIN)) noteDecodeError(s);
        return true;
    }
}

// Decodes until the picture on screen at `target` is known: the last one at
// or before it, confirmed by the one after it or by the end of the movie.
MovieSource::Impl::Outcome MovieSource::Impl::decodeTo(int64_t target) {
    AVCodecContext* c = dec.get();
    int errorsInARow = 0;
    for (;;) {
        if (nextValid) {
            if (nextPts > target) return curValid ? Outcome::Found : Outcome::NeedEarlier;
            std::swap(cur, next);
            curPts = nextPts;
            curValid = true;
            nextValid = false;
            av_frame_unref(next.get());
            continue;
        }
        if (drained) return curValid ? Outcome::Found : Outcome::NeedEarlier;
        if (timeUp()) return Outcome::Failed;
        const int r = avcodec_receive_frame(c, frame.get());
        if (r == 0) {
            errorsInARow = 0;
            const int64_t p = frame->pts != kNoTime ? frame->pts : frame->best_effort_timestamp;
            // Pictures without a time, before the run's key frame (their
            // references were not decoded) or out of order (a damaged
            // stream) cannot be placed.
            if (p == kNoTime || p < runKeyPts || (curValid && p <= curPts && p != curPts)) {
                av_frame_unref(frame.get());
                continue;
            }
            if (curValid && p == curPts) {
                std::swap(cur, frame);
                av_frame_unref(frame.get());
                continue;
            }
            std::swap(next, frame);
            av_frame_unref(frame.get());
            nextPts = p;
            nextValid = true;
            continue;
        }
        if (r == AVERROR_EOF) {
            drained = true;
            continue;
        }
        if (r != AVERROR(EAGAIN)) {
            noteDecodeError(r);
            if (++errorsInARow > kMaxErrorsInARow) return Outcome::Failed;
            continue;
        }
        if (inputDone) {
            drained = true;
            continue;
        }
        if (!feedPacket()) return Outcome::Failed;
    }
}

bool MovieSource::Impl::request(int32_t n, Surface& picture) {
    if (n < 0 || n >= frameCount) return false;
    const int64_t target = limit(n);
    landingAttempt = 0;
    int attempt = 0;
    bool decodeOn = canDecodeOn(target);
    const auto seek = [&] {
        if (readWhole) {
            int32_t key = keyOf[static_cast<size_t>(entryAt(target))];
            // Each further attempt starts one key frame earlier.
            auto it = std::lower_bound(keys.begin(), keys.end(), key);
            const auto back = std::min<ptrdiff_t>(attempt, it - keys.begin());
            key = *(it - back);
            if (attempt >= kMaxEarlierSeeks) key = keys.front();
            seekToKey(key);
        } else {
            seekToTime(target, attempt);
        }
    };
    if (!decodeOn) seek();
    for (;;) {
        const Outcome o = decodeTo(target);
        if (o == Outcome::Found) return convert(cur.get(), picture);
        if (o == Outcome::Failed) {
            needSeek = true;
            return false;
        }
        // Nothing at or before the time since the run began.
        if (runFromStart) {
            // Before any picture that decodes: the first one that does.
            if (nextValid) return convert(next.get(), picture);
            needSeek = true;
            return false;
        }
        ++attempt;
        seek();
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
int MovieSource::decodeErrorCount() const {
    return impl_->decodeErrors;
}
bool MovieSource::indexedByReading() const {
    return impl_->readWhole;
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

// Reads every video packet once: presentation order from the picture types
// where the container's timestamps cannot be trusted.
Status MovieSource::Impl::indexByReading(const AVCodecParameters* par,
                                         const std::function<void(double)>& progress) {
    Impl& m = *this;
    const int64_t fileSize = avio_size(m.fmt->pb);
    int64_t lastReport = 0;
    for (;;) {
        const int r = m.readVideoPacket();
        // A read error ends the usable part of the file, as its end does.
        if (r < 0) break;
        if (m.entries.empty()) {
            m.firstPacketPos = m.pkt->pos;
            m.firstPacketTs = m.pkt->dts != kNoTime ? m.pkt->dts : m.pkt->pts;
        }
        Entry e;
        e.srcPts = m.pkt->pts;
        e.pts = m.pkt->pts;
        e.dts = m.pkt->dts;
        e.key = m.pkt->flags & AV_PKT_FLAG_KEY;
        e.content = contentHash(m.pkt->data, m.pkt->size);
        e.bFrame = pictureKind(par->codec_id, m.pkt->data, m.pkt->size) == PictureKind::B;
        m.entries.push_back(e);
        if (progress && fileSize > 0 && m.pkt->pos - lastReport > fileSize / 100) {
            lastReport = m.pkt->pos;
            progress(static_cast<double>(m.pkt->pos) / static_cast<double>(fileSize));
        }
        av_packet_unref(m.pkt.get());
    }
    if (progress) progress(1.0);
    if (m.entries.empty()) return Error{"the movie holds no pictures: " + m.path};
    const size_t count = m.entries.size();
    const bool avi = std::string(m.fmt->iformat->name) == "avi";

    // Presentation order: anchors in decode order, each B-frame before the
    // anchor decoded just ahead of it.
    std::vector<int32_t> order;
    order.reserve(count);
    int32_t heldAnchor = -1;
    for (size_t i = 0; i < count; ++i) {
        if (m.entries[i].bFrame) {
            order.push_back(static_cast<int32_t>(i));
        } else {
            if (heldAnchor >= 0) order.push_back(heldAnchor);
            heldAnchor = static_cast<int32_t>(i);
        }
    }
    if (heldAnchor >= 0) order.push_back(heldAnchor);

    bool uniquePts = !avi;
    if (uniquePts) {
        std::unordered_map<int64_t, int32_t> seen;
        for (size_t i = 0; i < count && uniquePts; ++i)
            uniquePts = m.entries[i].pts != kNoTime &&
                        seen.emplace(m.entries[i].pts, static_cast<int32_t>(i)).second;
        if (uniquePts) {
            m.lookup = std::move(seen);
            m.match = Match::Pts;
        }
    }
    if (avi) {
        // An AVI counts its chunks, empty ones (dropped frames) included, so
        // its decode times are the slots of the pictures on the movie's
        // clock; the pictures take those slots in presentation order.
        std::vector<int64_t> slots(count);
        for (size_t i = 0; i < count; ++i)
            slots[i] = m.entries[i].dts != kNoTime ? m.entries[i].dts : static_cast<int64_t>(i);
        std::sort(slots.begin(), slots.end());
        for (size_t i = 0; i < count; ++i) m.entries[static_cast<size_t>(order[i])].pts = slots[i];
        m.unit = m.tb;
        m.ownTimes = true;
    } else if (!uniquePts) {
        // Without usable timestamps (MPEG program streams) pictures are
        // counted at the movie's rate.
        for (size_t i = 0; i < count; ++i)
            m.entries[static_cast<size_t>(order[i])].pts = static_cast<int64_t>(i);
        m.unit = AVRational{m.rate.den, m.rate.num};
        m.ownTimes = true;
    } else {
        m.unit = m.tb;
    }
    if (m.match == Match::Content) {
        // Packets are recognised again after a seek by their bytes; the few
        // that are not unique by their decode time.
        std::unordered_map<int64_t, int> uses, dtsUses;
        for (const Entry& e : m.entries) {
            ++uses[static_cast<int64_t>(e.content)];
            ++dtsUses[e.dts];
        }
        for (size_t i = 0; i < count; ++i) {
            const Entry& e = m.entries[i];
            if (uses[static_cast<int64_t>(e.content)] == 1)
                m.lookup.emplace(static_cast<int64_t>(e.content), static_cast<int32_t>(i));
            if (e.dts != kNoTime && dtsUses[e.dts] == 1)
                m.byDts.emplace(e.dts, static_cast<int32_t>(i));
        }
    }

    m.byPresentation.resize(count);
    for (size_t i = 0; i < count; ++i) m.byPresentation[i] = static_cast<int32_t>(i);
    std::stable_sort(m.byPresentation.begin(), m.byPresentation.end(), [&](int32_t a, int32_t b) {
        return m.entries[static_cast<size_t>(a)].pts < m.entries[static_cast<size_t>(b)].pts;
    });
    m.sortedPts.resize(count);
    for (size_t i = 0; i < count; ++i)
        m.sortedPts[i] = m.entries[static_cast<size_t>(m.byPresentation[i])].pts;

    // Each picture decodes from the last key frame before it whose own time
    // is not later (an open group's leading B-frames need the group before).
    m.keyOf.resize(count);
    for (size_t i = 0; i < count; ++i) {
        if (m.entries[i].key || i == 0) m.keys.push_back(static_cast<int32_t>(i));
        size_t k = m.keys.size();
        while (k > 1 && m.entries[static_cast<size_t>(m.keys[k - 1])].pts > m.entries[i].pts) --k;
        m.keyOf[i] = m.keys[k - 1];
    }

    m.t0 = m.sortedPts.front();
    // The last picture lasts one frame (one slot of an AVI).
    const double unitsPerFrame = 1.0 / (av_q2d(m.rate) * av_q2d(m.unit));
    m.endPts = m.sortedPts.back() + std::max<int64_t>(1, std::llround(unitsPerFrame));
    return Status{};
}

// Learns where the movie starts and ends from its first and last packets.
void MovieSource::Impl::timesFromContainer() {
    Impl& m = *this;
    AVStream* st = m.fmt->streams[m.stream];
    m.unit = m.tb;
    int64_t first = kNoTime;
    for (int i = 0; i < 64; ++i) {
        if (m.readVideoPacket() < 0) break;
        if (i == 0) {
            m.firstPacketPos = m.pkt->pos;
            m.firstPacketTs = m.pkt->dts != kNoTime ? m.pkt->dts : m.pkt->pts;
        }
        const int64_t p = m.pkt->pts != kNoTime ? m.pkt->pts : m.pkt->dts;
        if (p != kNoTime && !(m.pkt->flags & AV_PKT_FLAG_DISCARD) &&
            (first == kNoTime || p < first))
            first = p;
        av_packet_unref(m.pkt.get());
    }
    if (first == kNoTime) first = st->start_time != kNoTime ? st->start_time : 0;
    m.t0 = first;
    if (st->duration > 0 && st->duration != kNoTime) {
        m.endPts = m.t0 + st->duration;
        return;
    }
    // No stream length: the end of the last picture near the end of the file.
    int64_t end = kNoTime;
    if (m.fmt->duration > 0) {
        const int64_t total = av_rescale_q(m.fmt->duration, AV_TIME_BASE_Q, m.tb);
        const int64_t from = std::max(m.t0, m.t0 + total - 10 * m.tb.den / std::max(1, m.tb.num));
        if (av_seek_frame(m.fmt.get(), m.stream, from, AVSEEK_FLAG_BACKWARD) >= 0) {
            while (m.readVideoPacket() >= 0) {
                const int64_t p = m.pkt->pts != kNoTime ? m.pkt->pts : m.pkt->dts;
                if (p != kNoTime) end = std::max(end, p + std::max<int64_t>(m.pkt->duration, 0));
                av_packet_unref(m.pkt.get());
            }
        }
        if (end == kNoTime) end = m.t0 + total;
    }
    if (end == kNoTime) end = m.t0;
    const int64_t oneFrame =
        std::max<int64_t>(1, av_rescale_q(1, AVRational{m.rate.den, m.rate.num}, m.tb));
    m.endPts = std::max(end, m.t0 + oneFrame);
}

Result<std::unique_ptr<MovieSource>> MovieSource::open(
    const std::string& path, const std::function<void(double)>& progress) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return Error{"file not found: " + path};

    auto impl = std::make_unique<Impl>();
    Impl& m = *impl;
    m.path = path;
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
    m.rate = chooseRate(st);
    const AVCodecParameters* par = st->codecpar;
    m.codec = par->codec_id;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (!codec) return Error{"no decoder for the video of " + path};
    info.codecName = codec->name;
    info.width = par->width;
    info.height = par->height;
    if (info.width <= 0 || info.height <= 0 || info.width > kMaxSide || info.height > kMaxSide)
        return Error{"video size not supported: " + path};

    const AVCodecDescriptor* desc = avcodec_descriptor_get(par->codec_id);
    const bool reorders = desc && (desc->props & AV_CODEC_PROP_REORDER);
    const bool avi = info.formatName == "avi";
    m.readWhole = avi ? reorders || avformat_index_get_entries_count(st) == 0
                      : !trustsTimestamps(info.formatName);

    // Consumer MPEG-4 encoders pack a B-frame into the packet of the anchor
    // after it and leave a placeholder in its own slot; unpacked, every
    // picture has its own packet and time.
    if (par->codec_id == AV_CODEC_ID_MPEG4) {
        if (const AVBitStreamFilter* f = av_bsf_get_by_name("mpeg4_unpack_bframes")) {
            if (av_bsf_alloc(f, &m.bsf) >= 0) {
                avcodec_parameters_copy(m.bsf->par_in, par);
                m.bsf->time_base_in = m.tb;
                if (av_bsf_init(m.bsf) < 0) av_bsf_free(&m.bsf);
            }
        }
    }
    m.dec.reset(avcodec_alloc_context3(codec));
    if (!m.dec || avcodec_parameters_to_context(m.dec.get(), m.bsf ? m.bsf->par_out : par) < 0)
        return Error{"cannot decode the video of " + path};
    m.dec->thread_count = 0;
    m.dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    m.dec->pkt_timebase = m.tb;
    if (avcodec_open2(m.dec.get(), codec, nullptr) < 0)
        return Error{"cannot decode the video of " + path};

    if (m.readWhole) {
        if (Status s = m.indexByReading(par, progress); !s) return Error{s.error()};
    } else {
        m.timesFromContainer();
    }

    // Frames of the movie's duration at its rate, counted from the first
    // picture.
    const __int128 span = m.endPts - m.t0;
    const __int128 num = span * m.unit.num * m.rate.num;
    const __int128 den = static_cast<__int128>(m.unit.den) * m.rate.den;
    const __int128 frames = std::max<__int128>(1, (2 * num + den) / (2 * den));
    m.frameCount = static_cast<int32_t>(std::min<__int128>(frames, INT32_MAX - 1));
    m.needSeek = true;

    info.rateNum = m.rate.num;
    info.rateDen = m.rate.den;
    info.frameRate = av_q2d(m.rate);
    info.frameCount = m.frameCount;
    info.duration = m.frameCount / info.frameRate;
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
