#pragma once
// The inside of MovieSource, shared by its decoding (MovieSource.cpp) and
// its indexing (MovieIndex.cpp). Only sources in src/media include this.

#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/Result.h"
#include "effects/Surface.h"
#include "media/FfmpegHolders.h"
#include "media/MovieSource.h"
#include "media/ScaleIntoSurface.h"

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/pixdesc.h>
}

namespace movalux {

namespace movie_detail {

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

PictureKind pictureKind(AVCodecID codec, const uint8_t* data, int size);
// Exact quarter turns and mirrors: out (x, y) = in (x', y') with x, y
// mirrored as flagged first, then swapped when transposed.
void orient(const Surface& in, Surface& out, bool transpose, bool flipX, bool flipY);
uint64_t contentHash(const uint8_t* data, int size);
AVRational chooseRate(const AVStream* st);
bool trustsTimestamps(const std::string& format);

}  // namespace movie_detail

using namespace movie_detail;

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
    // first picture, and a picture stamped a little late still belongs to
    // frame n. Clocks rounded up to whole milliseconds (and stored in a finer
    // time base) put a picture up to a millisecond after its time: a quarter
    // of a frame allows for them, and half a time unit for coarse clocks.
    int64_t limit(int32_t n) const {
        const __int128 perFrameNum = static_cast<__int128>(unit.den) * rate.den;
        const __int128 perFrameDen = static_cast<__int128>(unit.num) * rate.num;
        const __int128 quarter =
            ((4 * static_cast<__int128>(n) + 1) * perFrameNum) / (4 * perFrameDen);
        const __int128 halfUnit =
            (2 * static_cast<__int128>(n) * perFrameNum + perFrameDen) / (2 * perFrameDen);
        return t0 + static_cast<int64_t>(std::max(quarter, halfUnit));
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

    // How the stored picture is turned to be shown (the container's display
    // matrix): output (x, y) reads stored (x', y') after mirroring x and y
    // as flagged, swapped when transposed.
    bool transpose = false;
    bool flipX = false;
    bool flipY = false;
    Surface stored;  // the stored picture before turning, when it is turned
    std::vector<uint8_t> scaleScratch;

    bool turned() const { return transpose || flipX || flipY; }

    bool convert(const AVFrame* f, Surface& picture) {
        if (!turned()) return convertStored(f, picture);
        const int w = transpose ? picture.height() : picture.width();
        const int h = transpose ? picture.width() : picture.height();
        if (stored.width() != w || stored.height() != h) stored.resize(w, h, kBlack);
        if (!convertStored(f, stored)) return false;
        orient(stored, picture, transpose, flipX, flipY);
        return true;
    }

    bool convertStored(const AVFrame* f, Surface& picture) {
        if (picture.empty() || f->width <= 0 || f->height <= 0) return false;
        const auto format = static_cast<AVPixelFormat>(f->format);
        sws = sws_getCachedContext(sws, f->width, f->height, format, picture.width(),
                                   picture.height(), AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr,
                                   nullptr, nullptr);
        if (!sws) return false;
        ff::scaleIntoSurface(sws, f->data, f->linesize, f->height, picture, scaleScratch);
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
        // A movie's own transparency is not part of a frame here.
        if (desc && (desc->flags & AV_PIX_FMT_FLAG_ALPHA))
            for (uint32_t& p : picture.pixels()) p |= kOpaque;
        return true;
    }

    enum class Outcome { Found, NeedEarlier, Failed };
    Outcome decodeTo(int64_t target);
    bool feedPacket();
    // The picture of frame n (the decoder's own frame, valid until the next
    // request), or null; timedRequest bounds the time it may take.
    const AVFrame* request(int32_t n);
    const AVFrame* timedRequest(int32_t n);
    const AVFrame* lastFound = nullptr;  // the picture the last request gave
    Status indexByReading(const AVCodecParameters* par,
                          const std::function<void(double)>& progress);
    void timesFromContainer();
    int64_t lastPictureTime(int64_t end);
    // Reads the display matrix into the turns that show the picture upright.
    void readOrientation(const AVStream* st);
};

}  // namespace movalux
