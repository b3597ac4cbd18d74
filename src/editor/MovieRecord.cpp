// Writing: the movie of the marked range with its effects (MVRec), its
// sound (MakeWave), the sound alone, the uncompressed conversion, and the
// frame-rate adjustment dialog AdjV.
//
// Frame choice. Output picture n shows the source picture that is on screen
// n x speed frames after the first frame of the write (before it, writing
// backward): frame = first + direction x floor(n x speed). The write goes on
// while that frame is inside the marked range. Stepping a time and rounding
// it to the nearest frame instead makes slow speeds stutter (at 50 % the
// frames came 2, 1, 3, 1, 3 times, since halves round to even and the
// summed steps drift either side of them); this way 50 % shows every frame
// twice, 10 % ten times, 200 % every second one. The sound section is the
// source time the pictures covered, n x speed frames, so that at every
// speed the sound lasts exactly as long as the picture.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "base/NumberText.h"
#include "editor/Editor.h"
#include "host/Host.h"
#include "media/AsyncFrameWriter.h"
#include "media/Compressors.h"
#include "media/MovieSource.h"
#include "media/MovieWriter.h"
#include "media/SectionWriter.h"
#include "media/TempFiles.h"

namespace movalux {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSaveTitle = "名前を付けて保存";
// AVI first; the other movie containers follow.
constexpr const char* kRecFilter =
    "AVIﾌｧｲﾙ (*.avi)|*.avi|MP4ﾌｧｲﾙ (*.mp4)|*.mp4|MKVﾌｧｲﾙ (*.mkv)|*.mkv";
constexpr const char* kWaveFilter = "WAVEﾌｧｲﾙ (*.wav)|*.wav";
constexpr const char* kAviFilter = "AVIﾌｧｲﾙ (*.avi)|*.avi";
constexpr const char* kCompressTitle = "圧縮の指定";
constexpr const char* kWriteErrorText = "書き込みエラー";
constexpr const char* kSetOptionsText = "オプションを設定して下さい";
constexpr const char* kNoSoundText = "音声データを書き込みできません";
constexpr const char* kFrameWriteLabel = "エラー13";
constexpr const char* kConvertQuestion =
    "ファイルサイズが10倍以上になります。無圧縮ムービーに変換しますか？";
constexpr const char* kWarningTitle = "警告";
constexpr const char* kAdjVRangeText = "ずれ調整値は-100～100の範囲内にしてください";
constexpr const char* kSoundFileName = "SoundFile1.wav";
constexpr const char* kConvertFileName = "AVIFile1.avi";

constexpr double kAdjVStep = 0.002997;
// Times a missing picture is asked for again (each request waits at most a
// second).
constexpr int kMaxMissed = 30;
// While writing, frames that go to the encoder as decoded are shown this
// often (converted for the window only then).
constexpr uint32_t kShowEveryMs = 100;
constexpr int kEncoderThreads = 2;
// Guards floor() against a product such as 3 x 0.1 landing just below 0.3.
constexpr double kStepSlack = 1e-9;

int64_t framesMoved(int64_t n, double speed) {
    return static_cast<int64_t>(std::floor(static_cast<double>(n) * speed + kStepSlack));
}

// Pictures a write of span + 1 frames at this speed gives.
int64_t pictureCount(int64_t span, double speed) {
    int64_t n = static_cast<int64_t>(std::ceil((static_cast<double>(span) + 1) / speed));
    while (n > 0 && framesMoved(n - 1, speed) > span) --n;
    while (framesMoved(n, speed) <= span) ++n;
    return n;
}

std::string missingFrameText(int32_t frame, int64_t written, int64_t expected) {
    return "フレーム " + std::to_string(frame) +
           " の画像を読み込めないため、書き出しを中止しました。" + std::to_string(expected) +
           " フレーム中 " + std::to_string(written) +
           " フレームまで書き出していました（ファイルは作成されません）";
}

// A hidden name of this job beside the output for the picture before the
// sound joins it (same folder, so that the space it needs is where the movie
// goes).
std::string pictureOnlyPath(const std::string& out) {
    fs::path p(out);
    return jobFileName(p.parent_path(), p.filename().string(), ".picture" + p.extension().string(),
                       true)
        .string();
}

// Removes a file when the write ends, whichever way it ends.
struct RemoveOnExit {
    std::string path;
    ~RemoveOnExit() {
        if (path.empty()) return;
        std::error_code ec;
        fs::remove(path, ec);
    }
};

constexpr const char* kSameMovieText =
    "読み込み中のムービーには書き込めません。別の名前を指定してください";
constexpr const char* kSoundStoppedText =
    "音声の書き込みを中止しました。ムービーは書き出されていません";

std::string lackingText(std::string frames) {
    if (const size_t to = frames.find(" to "); to != std::string::npos) frames.replace(to, 4, "～");
    return "フレーム " + frames + " はムービーにありません";
}

}  // namespace

std::vector<CompressorOption> Editor::compressorOptions() {
    std::vector<CompressorOption> out;
    for (const EncoderChoice& c : aviVideoEncoders())
        out.push_back({c.name, c.caption, c.lossless});
    return out;
}

CompressorSettings Editor::defaultCompressorSettings() {
    CompressorSettings s;
    s.codec = kDefaultVideoEncoder;
    s.quality = kDefaultQuality;
    s.keyInterval = kDefaultKeyInterval;
    s.dataRateKbps = 0;
    return s;
}

float Editor::writingSpeedFromCombo2() const {
    const auto value = parseNumber(host_.LabelText("Combo2"));
    // "静止" (and anything else that is not a number) is the slowest speed.
    if (!value || !std::isfinite(*value)) return 0.1f;
    return std::clamp(static_cast<float>(*value / 100.0), 0.1f, 10.0f);
}

Editor::RecOutcome Editor::menuRec_Click() {
    RecSound = kTrue;
    return MVRec();
}

Editor::RecOutcome Editor::menuRecM_Click() {
    RecSound = kFalse;
    return MVRec();
}

Editor::RecOutcome Editor::ComRec_Click() {
    RecSound = kTrue;
    return MVRec();
}

Editor::RecOutcome Editor::MVRec() {
    RecError.clear();
    RecFramesWritten = 0;
    RecFramesExpected = 0;
    RecSeconds = 0;
    RecPaused = false;
    RecStopped = false;
    if (!movie_ || MvOpen != kTrue || !(FrameRate > 0)) return RecOutcome::Cancelled;
    auto release = [&] {
        Idle = true;
        host_.SetPointer(pointer::kDefault);
        host_.BTNEnable();
    };
    host_.BTNDEnable();
    host_.SetControlEnabled("ComStp", true);
    host_.SetPointer(pointer::kArrowHourglass);

    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Save;
    request.title = kSaveTitle;
    request.filter = kRecFilter;
    request.fileName = RecFName;
    request.flags = 2;
    request.cancelError = true;
    const FileDialogResult answer = host_.FileDialog(request);
    // An empty name ends here as a cancel does: nothing is left disabled.
    if (answer.outcome != FileDialogResult::Outcome::Chosen || answer.path.empty()) {
        release();
        return RecOutcome::Cancelled;
    }
    RecFName = answer.path;
    RecSpeed = writingSpeedFromCombo2();
    // The single-precision speed to the nearest millionth: 0.7f is just
    // below 0.7, which would drop a frame from every tenth step.
    const double speed = std::round(static_cast<double>(RecSpeed) * 1e6) / 1e6;
    GrabHeader.biSizeImage = pictMain_.width() * pictMain_.height() * 3;

    const std::vector<CompressorOption> offered = compressorOptions();
    CompressorSettings settings = defaultCompressorSettings();
    if (!host_.ICCompressorChoose(offered, settings, kCompressTitle)) {
        release();
        return RecOutcome::Cancelled;
    }

    const bool withSound = MvSound == kTrue && RecSound == kTrue;
    const std::string out = RecFName;
    // The movie being read is never the target: the files themselves are
    // compared, not the spelling of their names.
    if (writesOverMovie(out)) {
        RecError = out + " is the movie being read; write to another file";
        host_.MsgBox(kSameMovieText, msgbox::kOk, kWarningTitle);
        release();
        return RecOutcome::Failed;
    }
    // The edit file's range may claim frames that the movie does not have.
    if (const std::string lacking =
            framesLacking(std::min(STFlame, ENDFlame), std::max(STFlame, ENDFlame));
        !lacking.empty()) {
        RecError = "the movie has frames " + std::to_string(MvSTFlame) + " to " +
                   std::to_string(movieLastFrame()) + " only: frames " + lacking + " are not in it";
        host_.MsgBox(lackingText(lacking), msgbox::kOk, kWarningTitle);
        release();
        return RecOutcome::Failed;
    }
    // Leftovers of writes that were killed, beside the target and in MXTemp.
    removeStaleJobFiles(fs::path(out).parent_path());
    removeStaleJobFiles(mxTempFolder());
    const std::string picturePath = withSound ? pictureOnlyPath(out) : out;
    // The picture alone never outlives the write.
    RemoveOnExit pictureOnly{withSound ? picturePath : std::string()};
    if (!canCreateFile(out) || (withSound && !canCreateFile(picturePath))) {
        RecError = "cannot create " + out;
        host_.MsgBox(kWriteErrorText, msgbox::kOk, "");
        release();
        return RecOutcome::Failed;
    }
    const bool known = std::any_of(offered.begin(), offered.end(), [&](const CompressorOption& o) {
        return o.name == settings.codec;
    });
    MovieWriterOptions options;
    options.width = pictMain_.width();
    options.height = pictMain_.height();
    // Players show the written movie in the source's shape (a 16:9 DV movie
    // stays 16:9).
    options.sarNum = movie_->info().sarNum;
    options.sarDen = movie_->info().sarDen;
    // The movie runs at the source's own rate, exactly (29.97 as 30000/1001,
    // so that the sound stays in step however long the movie). With a rate
    // adjustment the frames are taken at the adjusted rate but written at
    // the source's, so the picture runs longer or shorter than its unchanged
    // sound: moving the picture against the sound is what the adjustment is
    // for.
    if (movieRateNum_ > 0 && movieRateNum_ <= 65535 && movieRateDen_ <= 65535) {
        options.fpsNum = movieRateNum_;
        options.fpsDen = movieRateDen_;
    } else {
        frameRateFraction(movieRate_, options.fpsNum, options.fpsDen);
    }
    EncoderSettings encoder;
    encoder.codec = settings.codec;
    encoder.quality = settings.quality;
    encoder.keyInterval = settings.keyInterval;
    encoder.dataRateKbps = settings.dataRateKbps;
    applyEncoderSettings(encoder, out, options);
    // A fixed number of encoder threads: both cores work, and the bytes
    // written are the same on every machine.
    options.threads = kEncoderThreads;
    auto created = known ? MovieWriter::create(picturePath, options)
                         : Result<std::unique_ptr<MovieWriter>>(Error{
                               "the encoder " + settings.codec + " is not offered for movies"});
    if (!created) {
        RecError = created.error();
        host_.MsgBox(kSetOptionsText, msgbox::kOk, "");
        release();
        return RecOutcome::Failed;
    }
    AsyncFrameWriter writer(std::move(*created));

    Idle = false;
    PreviewOn = true;
    host_.SetControlChecked("CheckPreVew", true);
    const int32_t direction = RecForward ? 1 : -1;
    const int32_t first = RecForward ? STFlame : ENDFlame;
    // Marks set in reverse order write the one frame the range starts with
    // (the marked start forward, the marked end backward), never frames
    // outside the marks.
    const bool reversedMarks = STFlame > ENDFlame;
    const int64_t span = reversedMarks ? 0 : static_cast<int64_t>(ENDFlame) - STFlame;
    const int64_t expected = pictureCount(span, speed);
    RecFramesExpected = expected;
    pictMain_.Cls();
    const uint32_t startMs = host_.timeGetTime();
    int64_t n = 0;
    int missed = 0;
    MovieSource* const movie = frameSource_ == movie_.get() ? movie_.get() : nullptr;
    uint32_t lastShownMs = startMs - kShowEveryMs;
    VideoPicture unshown;  // the last frame written, when not shown yet
    int32_t missingFrame = -1;
    auto fail = [&](std::string why) {
        // The user knows the target, not the hidden file of the picture.
        for (size_t at = why.find(picturePath); !picturePath.empty() && at != std::string::npos;
             at = why.find(picturePath, at + out.size()))
            why.replace(at, picturePath.size(), out);
        RecError = why;
        host_.SetLabel("Label21", kFrameWriteLabel);
        // The window would otherwise stay disabled until a movie is opened.
        release();
        return RecOutcome::Failed;
    };
    // A failure after the pictures: the message has been shown.
    auto failAfterPictures = [&] {
        release();
        return RecOutcome::Failed;
    };
    for (;;) {
        host_.DoEvents();
        if (Idle) break;
        const int64_t moved = framesMoved(n, speed);
        if (moved > span) break;
        CurFlame = first + direction * static_cast<int32_t>(moved);
        // A picture that does not come is asked for again, until it comes or
        // the pause button is pressed; when the first one does not come,
        // nothing is written. Without anyone to press pause (movalux-cli) a
        // picture that never comes must not hold the write forever, so the
        // asking stops after a while as a pause would stop it.
        // A frame that no layer draws over goes to the encoder as decoded:
        // no conversion to 32-bit colour and back, and no loss from it. The
        // window shows such frames a few times a second, converted only
        // then; a frame with effects sends only the area they drew.
        VideoPicture decoded;
        const bool plain = movie != nullptr && !drawsAt(CurFlame);
        if (plain && movie->decodeFrame(sourceFrameFor(CurFlame), decoded) &&
            writer.canTake(decoded)) {
            missed = 0;
            if (Status st = writer.submitDecoded(decoded); !st) return fail(st.error());
            const uint32_t now = host_.timeGetTime();
            if (now - lastShownMs >= kShowEveryMs) {
                lastShownMs = now;
                if (movie->paintPicture(decoded, pictMain_)) host_.Refresh(Picture::PictMain);
                showFramePosition();
                unshown.reset();
            } else {
                unshown = decoded;
            }
        } else {
            if (DspFrame2() < 0) {
                if (++missed <= kMaxMissed) continue;
                missingFrame = CurFlame;
                break;
            }
            missed = 0;
            unshown.reset();
            decoded = movie != nullptr ? movie->lastPicture() : VideoPicture{};
            // The encoder gets a copy: PictMain stays on screen while the
            // window repaints, and must show the frame just written, not an
            // older buffer handed back by the encoder.
            Status st = frameArea_.known && writer.canTake(decoded)
                            ? writer.submitDecoded(decoded, pictMain_, frameArea_.x0,
                                                   frameArea_.y0, frameArea_.x1, frameArea_.y1)
                            : writer.submit(pictMain_);
            if (!st) return fail(st.error());
        }
        ++n;
        SliderPos = static_cast<float>(CurFlame * SliderScale);
        host_.DspSldr();
        host_.SetSlr2();
        const double elapsed = (host_.timeGetTime() - startMs) / 1000.0;
        ProgressReport report;
        report.task = "render";
        report.unit = "frames";
        report.done = n;
        report.total = expected;
        report.perSecond = elapsed > 0 ? static_cast<double>(n) / elapsed : 0;
        report.secondsLeft = report.perSecond > 0 ? (expected - n) / report.perSecond : -1;
        host_.Progress(report);
    }
    if (!unshown.empty() && movie->paintPicture(unshown, pictMain_)) {
        // The window ends on the last frame written.
        host_.Refresh(Picture::PictMain);
        showFramePosition();
    }
    unshown.reset();
    RecPaused = missingFrame < 0 && n < expected;
    if (missingFrame >= 0) {
        // A movie with a hole in it is not the movie asked for: nothing is
        // kept (the unfinished file goes with the writer), and the user is
        // told which frame could not be had.
        RecFramesWritten = n;
        RecError = "frame " + std::to_string(missingFrame) + " could not be read: stopped after " +
                   std::to_string(n) + " of " + std::to_string(expected) +
                   " frames, nothing was written";
        host_.MsgBox(missingFrameText(missingFrame, n, expected), msgbox::kOk, kWarningTitle);
        release();
        return RecOutcome::Failed;
    }
    host_.SetPointer(pointer::kHourglass);
    if (Status st = writer.finish(); !st) return fail(st.error());
    host_.Refresh(Picture::PictMain);
    RecFramesWritten = n;
    {
        ProgressReport report;
        report.task = "render";
        report.unit = "frames";
        report.done = n;
        report.total = expected;
        report.finished = true;
        const double elapsed = (host_.timeGetTime() - startMs) / 1000.0;
        report.perSecond = elapsed > 0 ? static_cast<double>(n) / elapsed : 0;
        host_.Progress(report);
    }

    if (withSound) {
        // Everything after the pictures belongs to the write: a sound that
        // cannot be made or joined fails it, and the target stays as it was.
        std::error_code ec;
        const double covered = static_cast<double>(n) * speed;
        double from = 0, to = 0;
        if (reversedMarks) {
            // The frames from the first one to where the next step lands.
            const int32_t last = roundHalfEven32(first + direction * speed);
            from = std::min(first, last) / FrameRate;
            to = std::max(first, last) / FrameRate;
        } else if (RecForward) {
            from = STFlame / FrameRate;
            to = (STFlame + covered) / FrameRate;
        } else {
            to = (static_cast<double>(ENDFlame) + 1) / FrameRate;
            from = to - covered / FrameRate;
        }
        if (n > 0) {
            fs::create_directories(mxTempFolder(), ec);
            // The sound of this job only, under a name no other job uses,
            // removed when the write ends.
            auto wave = JobTempFile::create(mxTempFolder(), "Wavetemp", ".avi", false);
            if (!wave) {
                RecError = wave.error();
                host_.MsgBox(kNoSoundText, msgbox::kOk, "");
                return failAfterPictures();
            }
            Idle = false;  // the sound may be paused too, once it runs
            if (makeWaveSeconds(from, to, wave->string(), false, true) != 0) {
                if (Idle) {
                    // A second pause while the sound was made: the job ends
                    // and writes nothing.
                    RecStopped = true;
                    RecError = "stopped while the sound was written: nothing was written";
                    host_.MsgBox(kSoundStoppedText, msgbox::kOk, kWarningTitle);
                } else {
                    RecError =
                        "the sound could not be written: " + RecError + "; nothing was written";
                    host_.MsgBox(kNoSoundText, msgbox::kOk, "");
                }
                return failAfterPictures();
            }
            if (Status st = addSoundTrack(picturePath, wave->string(), out); !st) {
                RecError = st.error() + "; nothing was written";
                host_.MsgBox(kNoSoundText, msgbox::kOk, "");
                return failAfterPictures();
            }
        } else {
            // Nothing was written before the pause: the empty movie is the
            // movie, there is no sound to join.
            fs::rename(picturePath, out, ec);
            if (ec) return fail("cannot write " + out + ": " + ec.message());
        }
    }
    RecSeconds = (host_.timeGetTime() - startMs) / 1000.0;
    release();
    return RecOutcome::Written;
}

bool Editor::writesOverMovie(const std::string& out) const {
    if (MvFName.empty()) return false;
    std::error_code ec;
    return fs::exists(out, ec) && fs::equivalent(out, MvFName, ec) && !ec;
}

int32_t Editor::movieLastFrame() const {
    if (!movie_) return -1;
    const int32_t frames = movie_->info().frameCount;
    if (frames < 1) return -1;
    // Frames of the timeline count at the rate in force.
    if (FrameRate > 0 && movieRate_ > 0 && FrameRate != movieRate_)
        return MvSTFlame +
               static_cast<int32_t>(std::floor((frames - 1) / movieRate_ * FrameRate + 1e-9));
    return MvSTFlame + frames - 1;
}

std::string Editor::framesLacking(int32_t first, int32_t last) const {
    if (!movie_ || frameSource_ != movie_.get()) return {};
    const int32_t have = movieLastFrame();
    const int32_t from = std::max(first, have + 1);
    if (from > last) return {};
    return from == last ? std::to_string(from)
                        : std::to_string(from) + " to " + std::to_string(last);
}

void Editor::reportSectionProgress(std::string_view task, double done, uint32_t startMs) {
    ProgressReport report;
    report.task = task;
    report.unit = "%";
    report.done = std::clamp<int64_t>(static_cast<int64_t>(done * 100), 0, 100);
    report.total = 100;
    const double elapsed = (host_.timeGetTime() - startMs) / 1000.0;
    report.perSecond = elapsed > 0 ? report.done / elapsed : 0;
    report.secondsLeft = done > 0 ? elapsed * (1 - done) / done : -1;
    host_.Progress(report);
}

void Editor::beginFrameJob() {
    host_.BTNDEnable();
    host_.SetControlEnabled("ComStp", true);
    Idle = false;
}

void Editor::endFrameJob(std::string_view task) {
    Idle = true;
    ProgressReport done;
    done.task = task;
    done.finished = true;
    host_.Progress(done);
    host_.BTNEnable();
}

void Editor::reportFrameProgress(std::string_view task, int64_t done, int64_t total,
                                 uint32_t startMs) {
    ProgressReport report;
    report.task = task;
    report.unit = "frames";
    report.done = done;
    report.total = total;
    const double elapsed = (host_.timeGetTime() - startMs) / 1000.0;
    report.perSecond = elapsed > 0 ? static_cast<double>(done) / elapsed : 0;
    report.secondsLeft =
        report.perSecond > 0 ? static_cast<double>(total - done) / report.perSecond : -1;
    host_.Progress(report);
}

int32_t Editor::MakeWave(int32_t TempMframeST, int32_t TempMframeEND, const std::string& WrFileName,
                         bool boolVideo) {
    if (!(FrameRate > 0)) return 1;
    return makeWaveSeconds(TempMframeST / FrameRate, TempMframeEND / FrameRate, WrFileName,
                           boolVideo);
}

int32_t Editor::makeWaveSeconds(double fromSeconds, double toSeconds, const std::string& WrFileName,
                                bool boolVideo, bool sourceTime) {
    if (!movie_ || !(FrameRate > 0) || !(movieRate_ > 0)) return 1;
    SectionJob job;
    job.moviePath = MvFName;
    job.fromSeconds = std::min(fromSeconds, toSeconds);
    job.toSeconds = std::max(fromSeconds, toSeconds);
    job.speed = std::clamp(std::round(static_cast<double>(RecSpeed) * 1e6) / 1e6, 0.1, 10.0);
    job.video = boolVideo;
    job.sound = MvSound == kTrue;
    job.frameRate = FrameRate;
    job.sourceRate = movieRate_;
    job.outPath = WrFileName;
    // Times in the source count at the rate in force, frames of the movie
    // at its own rate.
    const double scale = sourceTime ? 1.0 : movieRate_ / FrameRate;
    job.fromSeconds *= scale;
    job.toSeconds *= scale;
    const std::string_view task = boolVideo ? "convert" : "sound";
    Idle = false;
    const uint32_t startMs = host_.timeGetTime();
    int lastPercent = -1;
    Status st = writeSection(job, [&](double done) {
        host_.DoEvents();
        if (Idle) return false;
        const int percent = static_cast<int>(done * 100);
        if (percent != lastPercent) {
            lastPercent = percent;
            reportSectionProgress(task, done, startMs);
        }
        return true;
    });
    ProgressReport finished;
    finished.task = task;
    finished.unit = "%";
    finished.done = st ? 100 : std::max(0, lastPercent);
    finished.total = 100;
    finished.finished = true;
    host_.Progress(finished);
    if (!st) {
        RecError = st.error();
        return 1;
    }
    return 0;
}

std::optional<int32_t> Editor::writeMarkedSection(const char* filter, const char* fileName,
                                                  bool boolVideo) {
    host_.BTNDEnable();
    host_.SetControlEnabled("ComStp", true);
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Save;
    request.title = kSaveTitle;
    request.filter = filter;
    request.fileName = fileName;
    request.flags = 2;
    request.cancelError = true;
    const FileDialogResult answer = host_.FileDialog(request);
    if (answer.outcome != FileDialogResult::Outcome::Chosen || answer.path.empty()) {
        host_.BTNEnable();
        return std::nullopt;
    }
    if (writesOverMovie(answer.path)) {
        RecError = answer.path + " is the movie being read; write to another file";
        host_.MsgBox(kSameMovieText, msgbox::kOk, kWarningTitle);
        host_.BTNEnable();
        return 1;
    }
    host_.SetPointer(pointer::kHourglass);
    RecSpeed = writingSpeedFromCombo2();
    Idle = false;
    const int32_t result = MakeWave(STFlame, ENDFlame, answer.path, boolVideo);
    host_.SetPointer(pointer::kDefault);
    Idle = true;
    host_.BTNEnable();
    return result;
}

Editor::RecOutcome Editor::menuRecS_Click() {
    RecError.clear();
    const auto result = writeMarkedSection(kWaveFilter, kSoundFileName, false);
    if (!result) return RecOutcome::Cancelled;
    // The sound that cannot be written is reported as it is for a movie.
    if (*result != 0) {
        host_.MsgBox(kNoSoundText, msgbox::kOk, "");
        return RecOutcome::Failed;
    }
    return RecOutcome::Written;
}

Editor::RecOutcome Editor::MnuChangeMV_Click() {
    RecError.clear();
    if (host_.MsgBox(kConvertQuestion, msgbox::kStyleYesNoWarn, kWarningTitle) !=
        msgbox::kAnswerYes)
        return RecOutcome::Cancelled;
    const auto result = writeMarkedSection(kAviFilter, kConvertFileName, true);
    if (!result) return RecOutcome::Cancelled;
    return *result == 0 ? RecOutcome::Written : RecOutcome::Failed;
}

std::string Editor::menuZure_Click() const {
    return plainNumberText(AdjVValue);
}

bool Editor::AdjVComd_Click(std::string_view AdjVText) {
    const double value = leadingValue(AdjVText);
    if (value < -100 || value > 100) {
        host_.MsgBox(kAdjVRangeText, msgbox::kOk, "");
        return false;
    }
    SetAdjV(value);
    return true;
}

void Editor::SetAdjV(double dblAdjV2) {
    // Builds on the rate in force, so a second adjustment adds to the first.
    // The adjustments are summed exactly (in thousandths), and the rate is
    // the movie's own plus that sum, not a growing sum of floating steps.
    const double base = FrameRate - static_cast<double>(adjustMilli_) * kAdjVStep / 1000;
    adjustMilli_ += std::llround(dblAdjV2 * 1000);
    FrameRate = base + static_cast<double>(adjustMilli_) * kAdjVStep / 1000;
    StreamInfo.dwRate = static_cast<uint32_t>(std::max(1, roundHalfEven32(FrameRate)));
    const int32_t length = std::max(1, roundHalfEven32(FrameRate * MvDuration));
    StreamInfo.dwLength = static_cast<uint32_t>(length);
    // The timeline was made for the movie's frames; the range cannot end
    // beyond them.
    RangeEND = std::min(roundHalfEven32(FrameRate * MvDuration), MvENDFlame);
    // Marks past a shortened range would ask for frames the movie lacks.
    STFlame = std::min(STFlame, RangeEND);
    ENDFlame = std::min(ENDFlame, RangeEND);
    AdjVValue = dblAdjV2;
}

}  // namespace movalux
