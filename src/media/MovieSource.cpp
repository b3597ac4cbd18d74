#include "media/MovieSource.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string_view>

#include "media/MovieSourceImpl.h"
#include "media/VideoPictureFrame.h"

namespace movalux {

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

const AVFrame* MovieSource::Impl::request(int32_t n) {
    if (n < 0 || n >= frameCount) return nullptr;
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
        if (o == Outcome::Found) return cur.get();
        if (o == Outcome::Failed) {
            needSeek = true;
            return nullptr;
        }
        // Nothing at or before the time since the run began.
        if (runFromStart) {
            // Before any picture that decodes: the first one that does.
            if (nextValid) return next.get();
            needSeek = true;
            return nullptr;
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
    m.lastFound = m.timedRequest(frame);
    return m.lastFound != nullptr && m.convert(m.lastFound, picture);
}

const AVFrame* MovieSource::Impl::timedRequest(int32_t n) {
    deadline = Clock::now() + timeout;
    deadlineArmed = true;
    const AVFrame* f = request(n);
    deadlineArmed = false;
    return f;
}

bool MovieSource::decodeFrame(int32_t frame, VideoPicture& out) {
    Impl& m = *impl_;
    out.reset();
    if (!info_.hasVideo) return false;
    m.lastFound = m.timedRequest(frame);
    if (m.lastFound == nullptr) return false;
    out = referencePicture(m.lastFound, !m.turned());
    return !out.empty();
}

VideoPicture MovieSource::lastPicture() const {
    const Impl& m = *impl_;
    if (m.lastFound == nullptr) return VideoPicture{};
    return referencePicture(m.lastFound, !m.turned());
}

bool MovieSource::paintPicture(const VideoPicture& picture, Surface& out) {
    if (picture.empty()) return false;
    return impl_->convert(picture.frame()->frame.get(), out);
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
    // FFmpeg shows any text file as a picture of its characters ("tty"): a
    // text named as a movie is not a movie.
    if (const AVInputFormat* f = m.fmt->iformat; f && f->name && std::string_view(f->name) == "tty")
        return Error{"not a movie (text): " + path};
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
    // Shown as a player shows it: upright, in the displayed size; the
    // stored pixels' shape turns with the picture.
    AVRational sar = av_guess_sample_aspect_ratio(m.fmt.get(), st, nullptr);
    if (sar.num <= 0 || sar.den <= 0) sar = AVRational{1, 1};
    av_reduce(&sar.num, &sar.den, sar.num, sar.den, 1 << 20);
    m.readOrientation(st);
    if (m.transpose) {
        std::swap(info.width, info.height);
        std::swap(sar.num, sar.den);
    }
    info.sarNum = sar.num;
    info.sarDen = sar.den;
    info.rotation = m.transpose ? (m.flipY && !m.flipX ? 270 : 90) : (m.flipX && m.flipY ? 180 : 0);
    info.mirrored = m.transpose ? m.flipX == m.flipY : m.flipX != m.flipY;

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