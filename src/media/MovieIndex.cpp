// Learning a movie's pictures on open: from the container's own index and
// timestamps, or by reading every packet where those cannot be trusted.

#include <algorithm>
#include <cmath>

#include "media/MovieSourceImpl.h"

extern "C" {
#include <libavutil/display.h>
}

namespace movalux {

namespace movie_detail {

// The picture coding type read straight from the bitstream of the codecs
// whose AVI and MPEG files carry B-frames: MPEG-4 Part 2 (VOP start code, 2
// bits) and MPEG-1/2 (picture start code, 10 bits of temporal reference,
// then 3 bits). Reading it here needs no parser state, which a seek would
// upset. Packed B-frames are unpacked before this sees them.
PictureKind pictureKind(AVCodecID codec, const uint8_t* data, int size) {
    // The picture header follows the sequence headers within the first
    // kilobytes.
    size = std::min(size, 8192);
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

// FNV-1a over the packet's size, its first 4 KB and its last 256 bytes:
// packets are recognised by what they hold, since some demuxers attach other
// timestamps, or cut the first packet differently, after a seek. The head
// holds the picture's header and first slices, which differ from picture to
// picture; hashing every byte made reading a file whole three times slower.
uint64_t contentHash(const uint8_t* data, int size) {
    uint64_t h = 1469598103934665603ull ^ static_cast<uint64_t>(size);
    const int head = std::min(size, 4096);
    for (int i = 0; i < head; ++i) h = (h ^ data[i]) * 1099511628211ull;
    for (int i = std::max(head, size - 256); i < size; ++i) h = (h ^ data[i]) * 1099511628211ull;
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

void orient(const Surface& in, Surface& out, bool transpose, bool flipX, bool flipY) {
    const int w = out.width(), h = out.height();
    const uint32_t* src = in.pixels().data();
    const int inStride = in.width();
    for (int y = 0; y < h; ++y) {
        uint32_t* row = out.pixels().data() + static_cast<size_t>(y) * w;
        const int yy = flipY ? h - 1 - y : y;
        if (!transpose) {
            const uint32_t* srow = src + static_cast<size_t>(yy) * inStride;
            for (int x = 0; x < w; ++x) row[x] = srow[flipX ? w - 1 - x : x];
        } else {
            // Output row y is stored column yy.
            for (int x = 0; x < w; ++x) {
                const int xx = flipX ? w - 1 - x : x;
                row[x] = src[static_cast<size_t>(xx) * inStride + yy];
            }
        }
    }
}

}  // namespace movie_detail

// The turns FFmpeg's own tool makes of a display matrix: a quarter turn
// either way (with a mirror where the matrix has one), a half turn, or
// mirrors alone.
void MovieSource::Impl::readOrientation(const AVStream* st) {
    size_t size = 0;
    const auto* m = reinterpret_cast<const int32_t*>(
        av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, &size));
    if (!m || size < 9 * sizeof(int32_t)) return;
    const double angle = av_display_rotation_get(m);
    if (std::isnan(angle)) return;
    double theta = -std::round(angle);
    theta -= 360 * std::floor(theta / 360 + 0.9 / 360);
    if (std::abs(theta - 90) < 1) {
        transpose = true;
        flipX = !(m[3] > 0);  // "clock"; a mirrored quarter turn reads stored (y, x)
    } else if (std::abs(theta - 180) < 1) {
        flipX = m[0] < 0;
        flipY = m[4] < 0;
    } else if (std::abs(theta - 270) < 1) {
        transpose = true;
        flipY = true;
        flipX = m[3] < 0;  // "clock_flip" mirrors both
    } else if (std::abs(theta) < 1) {
        flipY = m[4] < 0;
    }
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

// The latest presentation time among the pictures from the last key frame
// at or before `end` on; kNoTime when none can be read there.
int64_t MovieSource::Impl::lastPictureTime(int64_t end) {
    Impl& m = *this;
    int64_t last = kNoTime;
    if (av_seek_frame(m.fmt.get(), m.stream, end, AVSEEK_FLAG_BACKWARD) < 0) return last;
    // A group of pictures is a few hundred packets at most; the bound keeps
    // a damaged index from reading a whole file here.
    for (int i = 0; i < 4096 && m.readVideoPacket() >= 0; ++i) {
        const int64_t p = m.pkt->pts != kNoTime ? m.pkt->pts : m.pkt->dts;
        if (p != kNoTime && !(m.pkt->flags & AV_PKT_FLAG_DISCARD)) last = std::max(last, p);
        av_packet_unref(m.pkt.get());
    }
    return last;
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
    const int64_t oneFrame =
        std::max<int64_t>(1, av_rescale_q(1, AVRational{m.rate.den, m.rate.num}, m.tb));
    if (st->duration > 0 && st->duration != kNoTime) {
        m.endPts = m.t0 + st->duration;
        // Some writers give the last picture's time as the stream's length,
        // not its end, which would leave that picture without a frame: it
        // lasts a frame from its own time at least.
        const int64_t lastPts = lastPictureTime(m.t0 + st->duration);
        if (lastPts != kNoTime) m.endPts = std::max(m.endPts, lastPts + oneFrame);
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
    m.endPts = std::max(end, m.t0 + oneFrame);
}

}  // namespace movalux
