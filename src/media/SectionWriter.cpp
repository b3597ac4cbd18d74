#include "media/SectionWriter.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <memory>
#include <system_error>
#include <vector>

#include "effects/Surface.h"
#include "media/Compressors.h"
#include "media/FfmpegHolders.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "media/SoundSection.h"
#include "media/TempFiles.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace movalux {

namespace {

namespace fs = std::filesystem;

struct OutputDeleter {
    void operator()(AVFormatContext* c) const {
        if (!c) return;
        if (c->oformat && !(c->oformat->flags & AVFMT_NOFILE)) avio_closep(&c->pb);
        avformat_free_context(c);
    }
};
using FormatOutput = std::unique_ptr<AVFormatContext, OutputDeleter>;
struct SwrDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct FifoDeleter {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};

std::string lowerExtension(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// An output file under construction: written to a hidden job file beside
// it (partPathFor) and renamed
// over the target by commit(); dropped unfinished otherwise.
class PartFile {
  public:
    explicit PartFile(std::string path) : path_(std::move(path)), part_(partPathFor(path_)) {}
    ~PartFile() {
        if (!committed_) {
            oc.reset();
            std::error_code ec;
            fs::remove(part_, ec);
        }
    }
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    Status create(const char* formatName) {
        AVFormatContext* raw = nullptr;
        const int r = formatName
                          ? avformat_alloc_output_context2(&raw, nullptr, formatName, part_.c_str())
                          : avformat_alloc_output_context2(&raw, nullptr, nullptr, path_.c_str());
        if (r < 0 || !raw) return Error{"no container for the file name " + path_};
        oc.reset(raw);
        return Status::success();
    }
    Status open() {
        if (int r = avio_open(&oc->pb, part_.c_str(), AVIO_FLAG_WRITE); r < 0)
            return Error{"cannot write " + path_ + ": " + ff::errorText(r)};
        if (int r = avformat_write_header(oc.get(), nullptr); r < 0)
            return Error{"cannot write " + path_ + ": " + ff::errorText(r)};
        return Status::success();
    }
    Status commit() {
        if (int r = av_write_trailer(oc.get()); r < 0)
            return Error{"cannot write " + path_ + ": " + ff::errorText(r)};
        const int pbError = oc->pb ? oc->pb->error : 0;
        if (int r = avio_closep(&oc->pb); r < 0 || pbError < 0)
            return Error{"cannot write " + path_ + ": " + ff::errorText(pbError < 0 ? pbError : r)};
        std::error_code ec;
        fs::rename(part_, path_, ec);
        if (ec) return Error{"cannot write " + path_ + ": " + ec.message()};
        committed_ = true;
        return Status::success();
    }
    Status write(AVPacket* p, bool interleaved) {
        const int r =
            interleaved ? av_interleaved_write_frame(oc.get(), p) : av_write_frame(oc.get(), p);
        if (r < 0) return Error{"cannot write " + path_ + ": " + ff::errorText(r)};
        // avio reports a failed write (disk full, file too large) only
        // through its error field.
        if (oc->pb && oc->pb->error < 0)
            return Error{"cannot write " + path_ + ": " + ff::errorText(oc->pb->error)};
        return Status::success();
    }

    FormatOutput oc;

  private:
    std::string path_;
    std::string part_;
    bool committed_ = false;
};

// Writes interleaved 16-bit PCM as a RIFF WAVE file or an AVI file with one
// sound stream.
Status writeSoundOnly(SoundSection& section, const std::string& outPath,
                      const std::function<bool(double)>& progress) {
    PartFile file(outPath);
    const bool wave = lowerExtension(outPath) == ".wav";
    if (Status st = file.create(wave ? "wav" : "avi"); !st) return st;
    AVStream* st = avformat_new_stream(file.oc.get(), nullptr);
    if (!st) return Error{"out of memory"};
    const int rate = section.sampleRate(), channels = section.channels();
    AVCodecParameters* par = st->codecpar;
    par->codec_type = AVMEDIA_TYPE_AUDIO;
    par->codec_id = AV_CODEC_ID_PCM_S16LE;
    par->sample_rate = rate;
    if (section.channelMask() != 0)
        av_channel_layout_from_mask(&par->ch_layout, section.channelMask());
    else
        av_channel_layout_default(&par->ch_layout, channels);
    par->bits_per_coded_sample = 16;
    par->block_align = 2 * channels;
    par->bit_rate = static_cast<int64_t>(rate) * channels * 16;
    st->time_base = AVRational{1, rate};
    if (Status opened = file.open(); !opened) return opened;

    ff::Packet pkt(av_packet_alloc());
    std::vector<int16_t> samples;
    int64_t pts = 0;
    const int64_t total = std::max<int64_t>(1, section.totalFrames());
    for (;;) {
        samples.clear();
        auto got = section.read(samples, 4096);
        if (!got) return Error{got.error()};
        if (*got == 0) break;
        const int bytes = static_cast<int>(samples.size() * sizeof(int16_t));
        if (av_new_packet(pkt.get(), bytes) < 0) return Error{"out of memory"};
        std::memcpy(pkt->data, samples.data(), static_cast<size_t>(bytes));
        pkt->pts = pkt->dts = av_rescale_q(pts, AVRational{1, rate}, st->time_base);
        pkt->duration = av_rescale_q(*got, AVRational{1, rate}, st->time_base);
        pkt->stream_index = st->index;
        pkt->flags |= AV_PKT_FLAG_KEY;
        pts += *got;
        Status w = file.write(pkt.get(), false);
        av_packet_unref(pkt.get());
        if (!w) return w;
        if (progress && !progress(static_cast<double>(pts) / total)) return Error{"stopped"};
    }
    return file.commit();
}

}  // namespace

bool canCreateFile(const std::string& path) {
    std::error_code ec;
    // A folder is never a file to write.
    if (fs::is_directory(path, ec)) return false;
    const fs::path folder = fs::path(path).parent_path();
    if (!folder.empty() && !fs::is_directory(folder, ec)) return false;
    // A file of this job in the target's folder, created and removed.
    auto probe = JobTempFile::create(folder, fs::path(path).filename().string(), ".probe", true);
    return probe.ok();
}

Status writeSection(const SectionJob& job, const SectionProgress& progress) {
    if (!job.video && !job.sound) return Status::success();
    // Leftovers of jobs that were killed, beside the target.
    removeStaleJobFiles(fs::path(job.outPath).parent_path());
    if (!(job.speed > 0) || !(job.frameRate > 0) || !(job.sourceRate > 0))
        return Error{"the section cannot be written at this speed or rate"};
    const double from = std::min(job.fromSeconds, job.toSeconds);
    const double to = std::max(job.fromSeconds, job.toSeconds);

    std::unique_ptr<SoundSection> sound;
    if (job.sound) {
        SoundSectionRequest request;
        request.moviePath = job.moviePath;
        request.fromSeconds = from;
        request.toSeconds = to;
        request.speed = job.speed;
        auto opened = SoundSection::open(request);
        if (!opened) return Error{opened.error()};
        sound = std::move(*opened);
    }
    if (!job.video) return writeSoundOnly(*sound, job.outPath, progress);

    auto movie = MovieSource::open(job.moviePath);
    if (!movie) return Error{movie.error()};
    MovieSource& source = **movie;
    const MovieInfo& info = source.info();
    if (!info.hasVideo) return Error{"the movie has no picture"};
    MovieWriterOptions o;
    o.width = info.width;
    o.height = info.height;
    o.sarNum = info.sarNum;
    o.sarDen = info.sarDen;
    frameRateFraction(job.frameRate, o.fpsNum, o.fpsDen);
    o.videoCodec = "rawvideo";
    o.pixelFormat = "bgr24";
    o.keyInterval = 1;
    o.sound = sound != nullptr;
    if (sound) {
        o.sampleRate = sound->sampleRate();
        o.channels = sound->channels();
    }
    // The AVI container for any name but the other movie types.
    std::string target = job.outPath;
    const std::string ext = lowerExtension(target);
    const bool otherName = ext != ".avi";
    const std::string writePath =
        otherName ? jobFileName(fs::path(target).parent_path(),
                                fs::path(target).filename().string(), ".avi", true)
                        .string()
                  : target;
    auto created = MovieWriter::create(writePath, o);
    if (!created) return Error{created.error()};
    MovieWriter& writer = **created;

    const double duration = (to - from) / job.speed;
    const int64_t frames = std::llround(duration * job.frameRate);
    Surface picture(info.width, info.height);
    std::vector<int16_t> samples;
    const int soundRate = sound ? writer.sampleRate() : 0;
    for (int64_t k = 0; k < frames; ++k) {
        // The picture on screen at the output time's place in the source.
        const double at = from + static_cast<double>(k) / job.frameRate * job.speed;
        const auto n = static_cast<int32_t>(std::floor(at * job.sourceRate + 1e-6));
        // A frame that cannot be had keeps the picture before it.
        (void)source.paintFrame(std::min(n, std::max(0, info.frameCount - 1)), picture);
        if (Status st = writer.writeFrame(picture); !st) return st;
        if (sound) {
            const int64_t upTo = std::min<int64_t>(
                sound->totalFrames(),
                std::llround(static_cast<double>(k + 1) / job.frameRate * soundRate));
            while (sound->framesDelivered() < upTo) {
                samples.clear();
                auto got = sound->read(samples, static_cast<int>(std::min<int64_t>(
                                                    4096, upTo - sound->framesDelivered())));
                if (!got) return Error{got.error()};
                if (*got == 0) break;
                if (Status st = writer.writeSound(samples); !st) return st;
            }
        }
        if (progress && !progress(static_cast<double>(k + 1) / std::max<int64_t>(1, frames)))
            return Error{"stopped"};
    }
    while (sound) {
        samples.clear();
        auto got = sound->read(samples, 4096);
        if (!got) return Error{got.error()};
        if (*got == 0) break;
        if (Status st = writer.writeSound(samples); !st) return st;
    }
    if (Status st = writer.finish(); !st) return st;
    if (otherName) {
        std::error_code ec;
        fs::rename(writePath, target, ec);
        if (ec) {
            fs::remove(writePath, ec);
            return Error{"cannot write " + target};
        }
    }
    return Status::success();
}

Status addSoundTrack(const std::string& videoPath, const std::string& soundPath,
                     const std::string& outPath) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, videoPath.c_str(), nullptr, nullptr) < 0)
        return Error{"cannot read " + videoPath};
    ff::FormatInput vin(raw);
    raw = nullptr;
    if (avformat_open_input(&raw, soundPath.c_str(), nullptr, nullptr) < 0)
        return Error{"cannot read " + soundPath};
    ff::FormatInput sin(raw);
    if (avformat_find_stream_info(vin.get(), nullptr) < 0 ||
        avformat_find_stream_info(sin.get(), nullptr) < 0)
        return Error{"cannot read the picture or the sound"};
    const int vIndex = av_find_best_stream(vin.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int aIndex = av_find_best_stream(sin.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (vIndex < 0 || aIndex < 0) return Error{"cannot read the picture or the sound"};
    AVStream* vsrc = vin->streams[vIndex];
    AVStream* asrc = sin->streams[aIndex];
    if (asrc->codecpar->codec_id != AV_CODEC_ID_PCM_S16LE) return Error{"the sound is not PCM"};

    PartFile file(outPath);
    if (Status st = file.create(nullptr); !st) return st;
    AVFormatContext* oc = file.oc.get();
    AVStream* vout = avformat_new_stream(oc, nullptr);
    AVStream* aout = avformat_new_stream(oc, nullptr);
    if (!vout || !aout || avcodec_parameters_copy(vout->codecpar, vsrc->codecpar) < 0)
        return Error{"out of memory"};
    vout->codecpar->codec_tag = 0;
    vout->time_base = vsrc->time_base;
    vout->avg_frame_rate = vsrc->avg_frame_rate;
    vout->r_frame_rate = vsrc->r_frame_rate;

    const int rate = asrc->codecpar->sample_rate;
    const int channels = std::max(1, asrc->codecpar->ch_layout.nb_channels);
    // Matroska keeps no channel layout for PCM; surround sound goes there as
    // FLAC, lossless and with its layout.
    const bool surroundInMatroska =
        channels > 2 && std::string(oc->oformat->name).find("matroska") != std::string::npos;
    const bool copyPcm =
        !surroundInMatroska &&
        avformat_query_codec(oc->oformat, AV_CODEC_ID_PCM_S16LE, FF_COMPLIANCE_NORMAL) == 1;
    ff::CodecContext enc;
    std::unique_ptr<SwrContext, SwrDeleter> swr;
    std::unique_ptr<AVAudioFifo, FifoDeleter> fifo;
    if (copyPcm) {
        if (avcodec_parameters_copy(aout->codecpar, asrc->codecpar) < 0)
            return Error{"out of memory"};
        aout->codecpar->codec_tag = 0;
        aout->time_base = AVRational{1, rate};
    } else {
        const AVCodec* ac =
            avcodec_find_encoder(surroundInMatroska ? AV_CODEC_ID_FLAC : oc->oformat->audio_codec);
        if (!ac) return Error{"no sound encoder for " + outPath};
        enc.reset(avcodec_alloc_context3(ac));
        if (!enc) return Error{"out of memory"};
        // The sound's own layout (5.1 stays 5.1).
        if (asrc->codecpar->ch_layout.order == AV_CHANNEL_ORDER_NATIVE)
            av_channel_layout_copy(&enc->ch_layout, &asrc->codecpar->ch_layout);
        else
            av_channel_layout_default(&enc->ch_layout, channels);
        enc->sample_rate = rate;
        enc->sample_fmt = ac->sample_fmts ? ac->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
        enc->bit_rate = 96000LL * channels;
        enc->time_base = AVRational{1, rate};
        if (oc->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(enc.get(), ac, nullptr) < 0 ||
            avcodec_parameters_from_context(aout->codecpar, enc.get()) < 0)
            return Error{"cannot start the sound encoder"};
        aout->time_base = enc->time_base;
        SwrContext* s = nullptr;
        AVChannelLayout layout{};
        av_channel_layout_copy(&layout, &enc->ch_layout);
        if (swr_alloc_set_opts2(&s, &enc->ch_layout, enc->sample_fmt, rate, &layout,
                                AV_SAMPLE_FMT_S16, rate, 0, nullptr) < 0 ||
            swr_init(s) < 0) {
            swr_free(&s);
            return Error{"cannot convert the sound"};
        }
        swr.reset(s);
        fifo.reset(av_audio_fifo_alloc(enc->sample_fmt, channels, 4096));
        if (!fifo) return Error{"out of memory"};
    }
    if (Status st = file.open(); !st) return st;

    ff::Packet vpkt(av_packet_alloc()), apkt(av_packet_alloc()), out(av_packet_alloc());
    ff::Frame aframe(av_frame_alloc());
    std::deque<AVPacket*> encoded;  // sound packets waiting for their turn
    auto freeEncoded = [&] {
        for (AVPacket* p : encoded) av_packet_free(&p);
        encoded.clear();
    };
    struct Guard {
        std::function<void()> f;
        ~Guard() { f(); }
    } guard{freeEncoded};
    int64_t encodedPts = 0;

    auto drainEncoder = [&]() -> Status {
        for (;;) {
            const int r = avcodec_receive_packet(enc.get(), out.get());
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return Status::success();
            if (r < 0) return Error{"cannot encode the sound"};
            av_packet_rescale_ts(out.get(), enc->time_base, aout->time_base);
            out->stream_index = aout->index;
            encoded.push_back(av_packet_clone(out.get()));
            av_packet_unref(out.get());
        }
    };
    auto sendFrames = [&](bool flush) -> Status {
        const int size = enc->frame_size > 0 ? enc->frame_size : 1024;
        while (av_audio_fifo_size(fifo.get()) >= size ||
               (flush && av_audio_fifo_size(fifo.get()) > 0)) {
            const int n = std::min(size, av_audio_fifo_size(fifo.get()));
            av_frame_unref(aframe.get());
            aframe->nb_samples = n;
            aframe->format = enc->sample_fmt;
            aframe->sample_rate = rate;
            if (av_channel_layout_copy(&aframe->ch_layout, &enc->ch_layout) < 0 ||
                av_frame_get_buffer(aframe.get(), 0) < 0)
                return Error{"out of memory"};
            if (av_audio_fifo_read(fifo.get(), reinterpret_cast<void**>(aframe->data), n) < n)
                return Error{"cannot encode the sound"};
            aframe->pts = encodedPts;
            encodedPts += n;
            if (avcodec_send_frame(enc.get(), aframe.get()) < 0)
                return Error{"cannot encode the sound"};
            if (Status st = drainEncoder(); !st) return st;
        }
        if (flush) {
            avcodec_send_frame(enc.get(), nullptr);
            return drainEncoder();
        }
        return Status::success();
    };

    // The next sound packet in the output's time base, or null at the end.
    bool soundDone = false;
    auto nextSound = [&]() -> Result<AVPacket*> {
        while (encoded.empty() && !soundDone) {
            const int r = av_read_frame(sin.get(), apkt.get());
            if (r < 0) {
                soundDone = true;
                if (!copyPcm)
                    if (Status st = sendFrames(true); !st) return Error{st.error()};
                break;
            }
            if (apkt->stream_index != aIndex) {
                av_packet_unref(apkt.get());
                continue;
            }
            if (copyPcm) {
                av_packet_rescale_ts(apkt.get(), asrc->time_base, aout->time_base);
                apkt->stream_index = aout->index;
                apkt->pos = -1;
                encoded.push_back(av_packet_clone(apkt.get()));
            } else {
                const int samples = apkt->size / (2 * channels);
                const uint8_t* in[1] = {apkt->data};
                const int maxOut = swr_get_out_samples(swr.get(), samples);
                ff::Frame tmp(av_frame_alloc());
                tmp->format = enc->sample_fmt;
                tmp->nb_samples = std::max(1, maxOut);
                av_channel_layout_copy(&tmp->ch_layout, &enc->ch_layout);
                if (av_frame_get_buffer(tmp.get(), 0) < 0) return Error{"out of memory"};
                const int got = swr_convert(swr.get(), tmp->data, tmp->nb_samples, in, samples);
                if (got < 0 ||
                    av_audio_fifo_write(fifo.get(), reinterpret_cast<void**>(tmp->data), got) < got)
                    return Error{"cannot convert the sound"};
                if (Status st = sendFrames(false); !st) return Error{st.error()};
            }
            av_packet_unref(apkt.get());
        }
        if (encoded.empty()) return static_cast<AVPacket*>(nullptr);
        return encoded.front();
    };

    bool videoDone = false;
    bool haveVideo = false;
    for (;;) {
        if (!haveVideo && !videoDone) {
            for (;;) {
                const int r = av_read_frame(vin.get(), vpkt.get());
                if (r < 0) {
                    videoDone = true;
                    break;
                }
                if (vpkt->stream_index == vIndex) {
                    av_packet_rescale_ts(vpkt.get(), vsrc->time_base, vout->time_base);
                    vpkt->stream_index = vout->index;
                    vpkt->pos = -1;
                    haveVideo = true;
                    break;
                }
                av_packet_unref(vpkt.get());
            }
        }
        auto sound = nextSound();
        if (!sound) return Error{sound.error()};
        AVPacket* a = *sound;
        if (!haveVideo && !a) break;
        const int64_t vts = haveVideo ? (vpkt->dts != AV_NOPTS_VALUE ? vpkt->dts : vpkt->pts) : 0;
        const bool takeVideo =
            haveVideo && (!a || av_compare_ts(vts, vout->time_base, a->pts, aout->time_base) <= 0);
        if (takeVideo) {
            Status st = file.write(vpkt.get(), true);
            av_packet_unref(vpkt.get());
            haveVideo = false;
            if (!st) return st;
        } else {
            encoded.pop_front();
            Status st = file.write(a, true);
            av_packet_free(&a);
            if (!st) return st;
        }
    }
    return file.commit();
}

Result<SoundLength> measureSound(const std::string& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return Error{"cannot read " + path};
    ff::FormatInput in(raw);
    if (avformat_find_stream_info(raw, nullptr) < 0) return Error{"cannot read " + path};
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index < 0 || !codec) return Error{path + " has no sound"};
    ff::CodecContext dec(avcodec_alloc_context3(codec));
    if (!dec || avcodec_parameters_to_context(dec.get(), raw->streams[index]->codecpar) < 0 ||
        avcodec_open2(dec.get(), codec, nullptr) < 0)
        return Error{"cannot decode the sound of " + path};
    SoundLength length;
    length.rate = dec->sample_rate;
    ff::Packet pkt(av_packet_alloc());
    ff::Frame frame(av_frame_alloc());
    auto receive = [&] {
        while (avcodec_receive_frame(dec.get(), frame.get()) >= 0) {
            length.samples += frame->nb_samples;
            av_frame_unref(frame.get());
        }
    };
    while (av_read_frame(raw, pkt.get()) >= 0) {
        if (pkt->stream_index == index && avcodec_send_packet(dec.get(), pkt.get()) >= 0) receive();
        av_packet_unref(pkt.get());
    }
    avcodec_send_packet(dec.get(), nullptr);
    receive();
    // AAC starts with a priming frame that players skip; so does the count.
    const int skip = raw->streams[index]->codecpar->initial_padding;
    length.samples = std::max<int64_t>(0, length.samples - skip);
    return length;
}

}  // namespace movalux
