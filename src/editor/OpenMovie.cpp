// Opening and releasing the movie: the name check, the open dialog and
// dropped files, building the movie source, the project re-created for the
// movie's frames, the read-outs of its length, and releasing it all again.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <new>
#include <system_error>

#include "base/NumberText.h"
#include "editor/Editor.h"
#include "host/Host.h"
#include "host/Panel.h"
#include "media/FrameGrab.h"
#include "media/MovieSource.h"
#include "media/TempFiles.h"
#include "media/TimeText.h"

namespace movalux {

namespace {

constexpr const char* kWarningTitle = "警告";
constexpr const char* kOneOnlyText = "ひとつだけドロップしてください";
constexpr const char* kWrongTypeText = "ファイル形式が違います";
constexpr const char* kNotReadLabel = "ファイルは読み込まれません";
constexpr const char* kCannotReadText = "この形式は読めません";
const std::string kMissingText = "ファイルが見つかりません\n";
constexpr const char* kNoDriverText = "このファイル形式に合うドライバがないかもしれません ";
constexpr const char* kInvalidFileTitle = "ファイルが無効";
constexpr const char* kGetPic2FailedText = "取得に失敗しました(GP2)";
constexpr const char* kOpenTitle = "開く";
// The description is the program's own; the patterns list every movie type
// that FFmpeg opens here, so that the dialog shows what can be opened.
constexpr const char* kOpenFilter =
    "AVI(*.avi);MPEG(*.mpg)|*.avi;*.mpg;*.mpeg;*.wmv;*.asf;*.mp4;*.m4v;*.mov;*.mkv;*.webm";

// The overview slider covers the whole movie in this many units.
constexpr double kSliderUnits = 471;

// Run-time error numbers for the messages that carry one.
constexpr int kErrOutOfMemory = 7;
constexpr int kErrInternal = 51;

bool isMovieExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    static constexpr const char* kTypes[] = {".avi", ".mpg", ".mpeg", ".wmv", ".asf",
                                             ".mp4", ".m4v", ".mov",  ".mkv", ".webm"};
    return std::any_of(std::begin(kTypes), std::end(kTypes),
                       [&](const char* t) { return ext == t; });
}

// What the file label shows: the name after the last path separator.
std::string fileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool Editor::ChkFName(const std::vector<std::string>& names) {
    if (names.size() != 1) {
        host_.MsgBox(kOneOnlyText, msgbox::kOk, "");
        return false;
    }
    if (!isMovieExtension(names.front())) {
        host_.MsgBox(kWrongTypeText, msgbox::kOk, "");
        return false;
    }
    return true;
}

void Editor::setMovieNames(const std::string& moviePath) {
    MvFName = moviePath;
    // The stem is the path without its extension, whatever its length
    // (".webm", ".mpeg" as well as ".avi").
    std::filesystem::path p(moviePath);
    std::string stem = moviePath;
    if (p.has_extension()) stem.resize(moviePath.size() - p.extension().string().size());
    EdFName = stem + "-1.txt";
    RecFName = stem + "-1.avi";
}

void Editor::mnuOpen_Click() {
    // A new movie replaces the whole project: unsaved work is offered a
    // save first, as when an edit file is opened.
    if (!confirmDropUnsaved()) return;
    try {
        FileDialogRequest request;
        request.kind = FileDialogRequest::Kind::Open;
        request.title = kOpenTitle;
        request.filter = kOpenFilter;
        request.cancelError = false;
        const FileDialogResult answer = host_.FileDialog(request);
        if (answer.outcome != FileDialogResult::Outcome::Chosen || answer.path.empty()) return;
        // A movie that does not open leaves the open one and its names.
        const std::string oldMovie = MvFName, oldEdit = EdFName, oldRec = RecFName;
        setMovieNames(answer.path);
        if (!openMovieAndReport()) {
            MvFName = oldMovie;
            EdFName = oldEdit;
            RecFName = oldRec;
            return;
        }
        EffUndoErase();
        HokanCancel(false);
    } catch (const std::bad_alloc&) {
        host_.MsgBox(kNoDriverText + std::to_string(kErrOutOfMemory), msgbox::kStyleDefault2,
                     kInvalidFileTitle);
    } catch (const std::exception&) {
        host_.MsgBox(kNoDriverText + std::to_string(kErrInternal), msgbox::kStyleDefault2,
                     kInvalidFileTitle);
    }
}

void Editor::PictMain_OLEDragDrop(const std::vector<std::string>& files) {
    if (!ChkFName(files)) return;
    if (!confirmDropUnsaved()) return;
    const std::string oldMovie = MvFName, oldEdit = EdFName, oldRec = RecFName;
    setMovieNames(files.front());
    if (!openMovieAndReport()) {
        MvFName = oldMovie;
        EdFName = oldEdit;
        RecFName = oldRec;
        return;
    }
    // The timeline was re-created: old undo steps would restore empty layers.
    EffUndoErase();
}

void Editor::OpenMovie() {
    (void)openMovieAndReport();
}

bool Editor::openMovieAndReport(bool report) {
    if (report) host_.SetLabel("Label21", fileNameOf(MvFName));
    host_.SetPointer(pointer::kHourglass);
    const int16_t status = OpenStream2();
    host_.SetPointer(pointer::kDefault);
    if (status != 0) {
        if (report) {
            host_.SetLabel("Label21", kNotReadLabel);
            // A file that is not there is not one of an unreadable format:
            // say so, and which one, so that a mistyped or moved name is seen.
            std::error_code ec;
            if (!std::filesystem::exists(MvFName, ec))
                host_.MsgBox(kMissingText + MvFName, msgbox::kStyleCriticalDefault2, kWarningTitle);
            else
                host_.MsgBox(kCannotReadText, msgbox::kStyleCriticalDefault2, kWarningTitle);
        }
        return false;
    }
    if (!report) host_.SetLabel("Label21", fileNameOf(MvFName));
    DspFrame2();
    EdSaved = kTrue;

    const int w = pictMain_.width(), h = pictMain_.height();
    WorkHeader = DibHeader{};
    WorkHeader.biWidth = w;
    WorkHeader.biHeight = h;
    WorkHeader.biSizeImage = (3 * w + 3) / 4 * 4 * h;
    pictMsk_.resize(w, h, kWhite);
    pictJT_.resize(w, h, kBlack);
    pictMain_.Cls();
    pictJT_.Cls();
    pictMsk_.Cls();
    for (auto& buffer : PixBuf) buffer.assign(static_cast<size_t>(WorkHeader.biSizeImage), 0);

    recreateTimeline(MvSTFlame, MvENDFlame);
    const int64_t length = static_cast<int64_t>(MvENDFlame) - MvSTFlame + 1;
    SliderScale = length > 0 ? kSliderUnits / static_cast<double>(length) : 1.0;
    MvRuler = timeRuler(StreamInfo.dwLength, StreamInfo.dwRate, StreamInfo.dwScale);
    MvOpen = kTrue;
    HokanCancel(false);
    STFlame = RangeST;
    ENDFlame = RangeEND;
    updateMarkedPositions();
    SliderPos = static_cast<float>(CurFlame * SliderScale);
    host_.DspSldr();
    host_.SetSlr2();
    ChkMVLength();
    host_.SetTLine();

    // A new project: the one before was saved or let go.
    recoveryNotNeeded();

    const int32_t whole = MvENDFlame - MvSTFlame;
    host_.SetLabel("Label18", std::to_string(whole));
    host_.SetLabel("Label16", timeText(whole, StreamInfo.dwRate, StreamInfo.dwScale));
    DspFrame2();
    return true;
}

int16_t Editor::OpenStream2() {
    // A file that has to be read whole (an AVI with B-frames, an MPEG
    // program stream) takes a while: the window shows how far it got. No
    // events run meanwhile, so nothing can start another open inside this
    // one.
    const uint32_t startMs = host_.timeGetTime();
    bool shown = false;
    auto progress = [&](double done) {
        const uint32_t elapsedMs = host_.timeGetTime() - startMs;
        if (elapsedMs < 300 && done < 1) return;
        if (done >= 1 && !shown) return;
        shown = true;
        ProgressReport report;
        report.task = "open";
        report.unit = "%";
        report.done = static_cast<int64_t>(done * 100);
        report.total = 100;
        report.perSecond = elapsedMs > 0 ? report.done * 1000.0 / elapsedMs : 0;
        report.secondsLeft = done > 0 ? elapsedMs / 1000.0 * (1 - done) / done : -1;
        report.finished = done >= 1;
        host_.Progress(report);
    };
    auto opened = MovieSource::open(MvFName, progress);
    if (!opened) return 1;
    const MovieInfo info = (*opened)->info();
    if (!info.hasVideo || info.frameRate <= 0 || info.frameCount < 1) return 1;

    // Only now, with a usable movie in hand, is the open one let go.
    CloseStream();
    movie_ = std::move(*opened);
    frameSource_ = movie_.get();
    movieRate_ = info.frameRate;
    movieRateNum_ = info.rateNum;
    movieRateDen_ = info.rateDen;
    adjustMilli_ = 0;
    FrameRate = info.frameRate;
    MvDuration = info.duration;
    MvSound = info.hasSound ? kTrue : kFalse;
    setPictureSize(info.width, info.height);

    StreamInfo = AviStreamInfo{};
    StreamInfo.dwScale = 1;
    StreamInfo.dwRate = static_cast<uint32_t>(std::max(1, roundHalfEven32(info.frameRate)));
    StreamInfo.dwStart = 0;
    StreamInfo.dwLength =
        static_cast<uint32_t>(std::max(1, roundHalfEven32(info.duration * info.frameRate)));
    StreamInfo.dwQuality = 10000;
    StreamInfo.rcFrame = StreamRect{0, 0, info.width, info.height};
    WholeFps = roundHalfEven32(static_cast<double>(StreamInfo.dwRate) / StreamInfo.dwScale);

    GrabHeader = DibHeader{};
    GrabHeader.biWidth = info.width;
    GrabHeader.biHeight = info.height;

    MvSTFlame = static_cast<int32_t>(StreamInfo.dwStart);
    MvENDFlame = MvSTFlame + static_cast<int32_t>(StreamInfo.dwLength) - 1;
    CurFlame = MvSTFlame;
    RangeST = STFlame = MvSTFlame;
    RangeEND = ENDFlame = MvENDFlame;
    return 0;
}

void Editor::CloseStream() {
    if (frameSource_ == movie_.get()) frameSource_ = nullptr;
    movie_.reset();
    movieRate_ = 0;
    movieRateNum_ = 0;
    movieRateDen_ = 1;
    adjustMilli_ = 0;
    // The movie overlay's own movie goes with the main one; the callers'
    // last effect result stays.
    const int32_t result = EffResult;
    (void)jumpEffValues(kouka::kMovie, cmd::kClose);
    EffResult = result;
    // Each write removes its own sound file when it ends (media/TempFiles.h).
}

void Editor::MVFree() {
    // Each step goes on after a failure of the one before.
    auto step = [&](auto&& action) {
        try {
            action();
        } catch (const std::exception&) {
            host_.MsgBox("EndErr", msgbox::kOk, "");
        }
    };
    bool goOn = true;
    step([&] { goOn = confirmDropUnsaved(); });
    if (!goOn) return;
    step([&] {
        EdSaved = kTrue;
        CloseStream();
        pictMain_.Cls();
        releaseMovieRecords();
        recoveryNotNeeded();
    });
    step([&] {
        SliderPos = 0;
        host_.SetLabel("Combo4", "100");
        host_.SetLabel("Combo2", "100");
        MvRuler = TimeRuler{};
        PreviewOn = true;
        host_.SetLabel("Label21", "");
        Combo3_Click("マスク");
        for (const char* box : {"Xzahyou", "Yzahyou", "Wzahyou", "Hzahyou"})
            panel_.setText(box, "");
        for (const char* label : {"Label16", "Label18", "Label20", "Label22"})
            host_.SetLabel(label, "");
        // Without a movie there is no frame, time or range to show, and the
        // preview box says what the drawing does again.
        for (const char* box : {"TextPos", "LabelTime", "TextHSt", "TextHEnd"})
            host_.SetLabel(box, "");
        panel_.setChecked("CheckPreVew", true);
        LayEnable.fill(kTrue);
        host_.Refresh(Picture::PictMain);
        host_.DspSldr();
        host_.SetSlr2();
        host_.SetTLine();
        host_.DspLayEnable();
    });
}

void Editor::ChkMVLength() {
    const int32_t span = ENDFlame - STFlame;
    host_.SetLabel("Label22", std::to_string(span));
    host_.SetLabel("Label20", timeText(span, StreamInfo.dwRate, StreamInfo.dwScale));
}

int32_t Editor::GetPic2() {
    const int w = WorkHeader.biWidth, h = WorkHeader.biHeight;
    std::vector<uint8_t>& out = PixBuf[0];
    const size_t stride = static_cast<size_t>((3 * w + 3) / 4 * 4);
    if (w <= 0 || h <= 0 || pictMain_.width() != w || pictMain_.height() != h ||
        out.size() < stride * static_cast<size_t>(h)) {
        host_.MsgBox(kGetPic2FailedText, msgbox::kOk, "");
        return 0;
    }
    for (int y = 0; y < h; ++y) {
        const uint32_t* src = pictMain_.row(y);
        uint8_t* dst = out.data() + static_cast<size_t>(h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            const uint32_t p = src[x];
            dst[3 * x] = static_cast<uint8_t>(p);
            dst[3 * x + 1] = static_cast<uint8_t>(p >> 8);
            dst[3 * x + 2] = static_cast<uint8_t>(p >> 16);
        }
        std::fill(dst + 3 * w, dst + stride, uint8_t{0});
    }
    return h;
}

int32_t Editor::GetGrPict2(FrameGrab& grab) {
    grab.arm();
    return 0;
}

int32_t Editor::DspPict(int32_t BbiWidth, int32_t BbiHeight, FrameGrab& grab, Surface& target) {
    if (!grab.arrived()) return 1;
    const Surface& sample = grab.sample();
    const int w = std::min({BbiWidth, sample.width(), target.width()});
    const int h = std::min({BbiHeight, sample.height(), target.height()});
    for (int y = 0; y < h; ++y) std::copy_n(sample.row(y), w, target.row(y));
    grab.take();
    return 0;
}

}  // namespace movalux
