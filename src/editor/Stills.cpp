// Still pictures: the frame on screen as a picture file, the marked range
// with its effects as numbered pictures, and an uncompressed movie built
// from a numbered run of pictures.
//
// GIF and JPEG pictures are read by FFmpeg like BMP and PNG, so no picture
// goes through a temporary BMP file.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <future>
#include <system_error>

#include "base/ClassicError.h"
#include "base/NumberText.h"
#include "editfile/EditFileFormat.h"
#include "editor/Editor.h"
#include "editor/StillNames.h"
#include "host/Host.h"
#include "media/AsyncFrameWriter.h"
#include "media/AsyncStillWriter.h"
#include "media/MovieWriter.h"
#include "media/SectionWriter.h"
#include "media/StillImage.h"

namespace movalux {

namespace {

namespace fs = std::filesystem;

constexpr const char* kSaveTitle = "名前を付けて保存";
// BMP stays the first choice; PNG is lossless too, at a fraction of the size.
constexpr const char* kPictureFilter = "BMPﾌｧｲﾙ (*.bmp)|*.bmp|PNGﾌｧｲﾙ (*.png)|*.png";
constexpr const char* kPictureFileName = "Picture1.bmp";
constexpr const char* kRunQuestionTail = "のコマを連続して保存します";
constexpr const char* kWarningTitle = "警告";
constexpr const char* kOverwriteTitle = "上書き";
constexpr const char* kOverwriteText = "同じファイル名があります。上書きしますか";
constexpr const char* kFirstPictureTitle = "1枚目の画像を開く";
constexpr const char* kLastPictureTitle = "最後の画像を開く";
constexpr const char* kOpenFilter = "*.bmp;*.gif;*.jpg;*.jpeg;*.png|*.bmp;*.gif;*.jpg;*.jpeg;*.png";
constexpr const char* kForm2Tail = "枚の画像をAVIファイルに保存します";
constexpr const char* kForm2Default = "30";
constexpr const char* kWriteErrorText = "書き込みエラー";
constexpr const char* kFrameWriteLabel = "エラー13";
constexpr int kCancelNumber = FileDialogResult::kCancelErrorNumber;

std::string pic1Message(int number) {
    return "エラー(PIC1)" + std::to_string(number) + "が発生しました";
}

// "005枚目の画像でエラー53が発生しました" for the fifth picture.
std::string pictureErrorMessage(int64_t index, int number) {
    char ordinal[32];
    std::snprintf(ordinal, sizeof ordinal, "%03lld", static_cast<long long>(index + 1));
    return std::string(ordinal) + "枚目の画像でエラー" + std::to_string(number) + "が発生しました";
}

int writeErrorNumber(int systemError) {
    return systemError != 0 ? classicErrorNumber(systemError) : 75;
}

bool exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

// The save dialog of both picture commands: the chosen name, or "" when
// there is none. A cancel is reported as the error it raises; the dialog
// then holds no name, so nothing is written.
std::string askPictureName(Host& host) {
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Save;
    request.title = kSaveTitle;
    request.filter = kPictureFilter;
    request.fileName = kPictureFileName;
    request.flags = 2;
    request.cancelError = true;
    const FileDialogResult answer = host.FileDialog(request);
    if (answer.outcome == FileDialogResult::Outcome::Cancelled) {
        host.MsgBox(pic1Message(kCancelNumber), msgbox::kOk, "");
        return {};
    }
    if (answer.outcome != FileDialogResult::Outcome::Chosen) return {};
    return answer.path;
}

StillFormat formatOfExtension(const std::string& extension) {
    return stillFormatOf("x" + extension) == StillFormat::Png ? StillFormat::Png : StillFormat::Bmp;
}

ProgressReport progressOf(std::string_view task, int64_t done, int64_t total, uint32_t elapsedMs) {
    ProgressReport report;
    report.task = task;
    report.unit = "frames";
    report.done = done;
    report.total = total;
    const double seconds = elapsedMs / 1000.0;
    report.perSecond = seconds > 0 ? static_cast<double>(done) / seconds : 0;
    report.secondsLeft =
        report.perSecond > 0 ? static_cast<double>(total - done) / report.perSecond : -1;
    return report;
}

}  // namespace

int16_t Editor::form2FrameRate(std::string_view Text1) {
    const double value = leadingValue(Text1);
    if (!(value >= 1)) return 1;  // also what is not a number
    return roundHalfEven16(std::min(value, 30.0));
}

Editor::StillsOutcome Editor::MnuPicSave_Click() {
    StillsError.clear();
    StillsWritten = 0;
    StillsAsked = 1;
    if (MvOpen != kTrue || pictMain_.empty()) return StillsOutcome::Cancelled;
    const std::string name = askPictureName(host_);
    if (name.empty()) return StillsOutcome::Cancelled;
    int systemError = 0;
    const StillFormat format = formatOfExtension(stillRunName(name).extension);
    if (Status st = writeStillImage(pictMain_, name, format, &systemError); !st) {
        StillsError = st.error();
        host_.MsgBox(pic1Message(writeErrorNumber(systemError)), msgbox::kOk, "");
        return StillsOutcome::Failed;
    }
    StillsWritten = 1;
    return StillsOutcome::Written;
}

Editor::StillsOutcome Editor::MnuPPPSave_Click() {
    StillsError.clear();
    StillsWritten = 0;
    if (MvOpen != kTrue) return StillsOutcome::Cancelled;
    const std::string question =
        std::to_string(STFlame) + "～" + std::to_string(ENDFlame) + kRunQuestionTail;
    if (host_.MsgBox(question, msgbox::kStyleYesNoWarn, kWarningTitle) != msgbox::kAnswerYes)
        return StillsOutcome::Cancelled;
    const std::string name = askPictureName(host_);
    if (name.empty()) return StillsOutcome::Cancelled;
    const StillRunName run = stillRunName(name);
    return saveNumberedStills(run.stem, run.extension);
}

Editor::StillsOutcome Editor::saveNumberedStills(const std::string& stem,
                                                 const std::string& extension) {
    StillsError.clear();
    StillsWritten = 0;
    StillsAsked = std::max<int64_t>(0, static_cast<int64_t>(ENDFlame) - STFlame + 1);
    if (MvOpen != kTrue) return StillsOutcome::Cancelled;
    const StillFormat format = formatOfExtension(extension);

    // One question for the whole run rather than pictures silently replaced.
    int64_t existing = 0;
    std::string firstExisting;
    for (int64_t f = STFlame; f <= ENDFlame; ++f) {
        const std::string name = numberedStillName(stem, f, extension);
        if (!exists(name)) continue;
        if (existing++ == 0) firstExisting = name;
    }
    if (existing > 0) {
        std::string text = FileTitle(firstExisting);
        if (existing > 1) text += " ほか" + std::to_string(existing - 1) + "個";
        text += "のファイルがすでにあります。上書きしますか";
        if (host_.MsgBox(text, msgbox::kStyleYesNoWarn, kOverwriteTitle) != msgbox::kAnswerYes) {
            StillsError = firstExisting + " exists";
            return StillsOutcome::Cancelled;
        }
    }

    host_.BTNDEnable();
    host_.SetControlEnabled("ComStp", true);
    host_.SetPointer(pointer::kArrowHourglass);
    Idle = false;
    // Every picture carries its effects, as in a written movie.
    PreviewOn = true;
    host_.SetControlChecked("CheckPreVew", true);

    StillsOutcome outcome = StillsOutcome::Written;
    int64_t drawn = 0;
    const uint32_t startMs = host_.timeGetTime();
    {
        AsyncStillWriter writer;
        for (int64_t f = STFlame; f <= ENDFlame; ++f) {
            host_.DoEvents();
            if (Idle) {
                outcome = StillsOutcome::Stopped;
                StillsError = "stopped at frame " + std::to_string(f);
                break;
            }
            CurFlame = static_cast<int32_t>(f);
            // A frame without a picture would be saved as the previous one
            // under its number.
            if (DspFrame2() < 0) {
                outcome = StillsOutcome::Stopped;
                StillsError = "the movie has no picture for frame " + std::to_string(f);
                host_.MsgBox(std::to_string(f) + "のコマが読めないため、保存を中止しました",
                             msgbox::kOk, kWarningTitle);
                break;
            }
            if (Status st = writer.submit(pictMain_, numberedStillName(stem, f, extension), format);
                !st)
                break;  // reported with finish()
            ++drawn;
            SliderPos = static_cast<float>(CurFlame * SliderScale);
            host_.DspSldr();
            host_.Progress(progressOf("stills", drawn, StillsAsked, host_.timeGetTime() - startMs));
        }
        host_.SetPointer(pointer::kHourglass);
        if (Status st = writer.finish(); !st) {
            outcome = StillsOutcome::Failed;
            StillsError = st.error();
            host_.MsgBox(pic1Message(writeErrorNumber(writer.failedSystemError())), msgbox::kOk,
                         "");
        }
        StillsWritten = writer.written();
    }
    ProgressReport done =
        progressOf("stills", StillsWritten, StillsAsked, host_.timeGetTime() - startMs);
    done.finished = true;
    host_.Progress(done);
    Idle = true;
    host_.SetPointer(pointer::kDefault);
    host_.BTNEnable();
    return outcome;
}

Editor::StillsOutcome Editor::MnuMakeMV_Click() {
    FileDialogRequest request;
    request.kind = FileDialogRequest::Kind::Open;
    request.title = kFirstPictureTitle;
    request.filter = kOpenFilter;
    request.cancelError = false;
    const FileDialogResult first = host_.FileDialog(request);
    if (first.outcome != FileDialogResult::Outcome::Chosen || first.path.empty())
        return StillsOutcome::Cancelled;
    request.title = kLastPictureTitle;
    // Opens where the first picture is.
    request.fileName = first.path;
    const FileDialogResult last = host_.FileDialog(request);
    if (last.outcome != FileDialogResult::Outcome::Chosen || last.path.empty())
        return StillsOutcome::Cancelled;
    return makeMovieFromStills(first.path, last.path);
}

Editor::StillsOutcome Editor::makeMovieFromStills(const std::string& firstName,
                                                  const std::string& lastName,
                                                  const std::string& outPath) {
    StillsError.clear();
    StillsOutput.clear();
    StillsWritten = 0;
    StillsAsked = 0;
    const auto first = parseNumberedStill(firstName);
    const auto lastNumber = first ? lastStillNumber(*first, lastName) : std::nullopt;
    if (!first || !lastNumber) {
        const std::string& odd = first ? lastName : firstName;
        StillsError = odd + " has no three-digit number before its extension";
        host_.MsgBox(
            FileTitle(odd) + "は番号の付いた画像ではありません（拡張子の前に3桁の番号が要ります）",
            msgbox::kOk, kWarningTitle);
        return StillsOutcome::Failed;
    }
    const int64_t count = *lastNumber - first->number + 1;
    if (count <= 0) {
        // No movie of no pictures: say so instead of leaving an empty file.
        StillsError = "the last picture's number is below the first's: there is no frame to write";
        host_.MsgBox("最後の画像の番号が1枚目の画像の番号より小さいため、動画は作成しません",
                     msgbox::kOk, kWarningTitle);
        return StillsOutcome::Failed;
    }
    StillsAsked = count;
    std::string Text1 = kForm2Default;
    if (!host_.ShowForm2(std::to_string(count) + kForm2Tail, Text1))
        return StillsOutcome::Cancelled;
    const int16_t rate = form2FrameRate(Text1);
    const std::string out = outPath.empty() ? first->stem + ".avi" : outPath;

    Result<Surface> firstPicture = readStillImage(firstName);
    if (!firstPicture) {
        StillsError = firstPicture.error();
        host_.MsgBox(
            pictureErrorMessage(0, exists(firstName) ? kErrInvalidPicture : kErrFileNotFound),
            msgbox::kOk, "");
        return StillsOutcome::Failed;
    }
    const int width = firstPicture->width(), height = firstPicture->height();

    // The old movie is replaced only once the new one is complete.
    if (exists(out) &&
        host_.MsgBox(kOverwriteText, msgbox::kYesNo, kOverwriteTitle) != msgbox::kAnswerYes) {
        StillsError = out + " exists";
        return StillsOutcome::Cancelled;
    }
    MovieWriterOptions options;
    options.width = width;
    options.height = height;
    options.fpsNum = rate;
    options.fpsDen = 1;
    options.videoCodec = "rawvideo";
    options.pixelFormat = "bgr24";
    auto created = canCreateFile(out)
                       ? MovieWriter::create(out, options)
                       : Result<std::unique_ptr<MovieWriter>>(Error{"cannot create " + out});
    if (!created) {
        StillsError = created.error();
        host_.MsgBox(kWriteErrorText, msgbox::kOk, "");
        return StillsOutcome::Failed;
    }

    host_.BTNDEnable();
    host_.SetControlEnabled("ComStp", true);
    Idle = false;
    StillsOutcome outcome = StillsOutcome::Written;
    bool writeFailed = false;
    bool paused = false;
    int64_t n = 0;
    const uint32_t startMs = host_.timeGetTime();
    {
        AsyncFrameWriter writer(std::move(*created));
        // The next picture is read (PNG decoding is the slow part) while
        // this one is shown and written.
        const auto nameOf = [&](int64_t i) {
            return numberedStillName(first->stem, first->number + i, first->extension);
        };
        std::future<Result<Surface>> next;
        const auto readAhead = [&](int64_t i) {
            if (i < count) next = std::async(std::launch::async, readStillImage, nameOf(i));
        };
        readAhead(1);
        for (int64_t i = 0; i < count; ++i) {
            host_.DoEvents();
            if (Idle) {
                paused = true;
                StillsError = "stopped after " + std::to_string(n) + " of " +
                              std::to_string(count) + " pictures";
                break;
            }
            const std::string name = nameOf(i);
            Result<Surface> picture = i == 0 ? std::move(firstPicture) : next.get();
            readAhead(i + 1);
            if (!picture) {
                StillsError = picture.error();
                host_.MsgBox(
                    pictureErrorMessage(i, exists(name) ? kErrInvalidPicture : kErrFileNotFound),
                    msgbox::kOk, "");
                break;
            }
            // One stream has one picture size: a picture of another size
            // would be written as garbage. The movie ends before it.
            if (picture->width() != width || picture->height() != height) {
                StillsError = name + " is " + std::to_string(picture->width()) + "x" +
                              std::to_string(picture->height()) + ", not " + std::to_string(width) +
                              "x" + std::to_string(height) + " as the first picture";
                host_.MsgBox(FileTitle(name) + "の大きさ（" + std::to_string(picture->width()) +
                                 "×" + std::to_string(picture->height()) + "）が1枚目の画像（" +
                                 std::to_string(width) + "×" + std::to_string(height) +
                                 "）と違うため、その前の" + std::to_string(n) +
                                 "枚で動画を作成しました",
                             msgbox::kOk, kWarningTitle);
                break;
            }
            // The picture being written is shown.
            pictMain_ = std::move(*picture);
            host_.Refresh(Picture::PictMain);
            host_.SetPointer(pointer::kHourglass);
            if (Status st = writer.submit(pictMain_); !st) {
                StillsError = st.error();
                writeFailed = true;
                break;
            }
            ++n;
            host_.Progress(progressOf("from-stills", n, count, host_.timeGetTime() - startMs));
        }
        if (!writeFailed && n > 0) {
            if (Status st = writer.finish(); !st) {
                StillsError = st.error();
                writeFailed = true;
            }
        }
        // Otherwise the writer drops the unfinished file.
    }
    if (writeFailed) {
        host_.SetLabel("Label21", kFrameWriteLabel);
        outcome = StillsOutcome::Failed;
        n = 0;
    } else if (n == 0) {
        outcome = paused ? StillsOutcome::Cancelled : StillsOutcome::Failed;
    } else if (n < count) {
        outcome = StillsOutcome::Stopped;
    }
    StillsWritten = n;
    if (n > 0 && !writeFailed) StillsOutput = out;
    ProgressReport done = progressOf("from-stills", n, count, host_.timeGetTime() - startMs);
    done.finished = true;
    host_.Progress(done);
    Idle = true;
    host_.SetPointer(pointer::kDefault);
    if (MvOpen == kTrue) {
        // The open movie's frame comes back in its own size.
        pictMain_.resize(pictJT_.width(), pictJT_.height(), kBlack);
        DspFrame2();
        host_.BTNEnable();
    } else {
        host_.BTNDEnable();
    }
    return outcome;
}

}  // namespace movalux
