// Saving and reading the edit file, the prompts that protect unsaved work,
// and the effect list that reading rebuilds.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <new>
#include <optional>
#include <sstream>
#include <vector>

#include "base/NumberText.h"
#include "editfile/EditFileFormat.h"
#include "editfile/ItemReader.h"
#include "editfile/RecordLine.h"
#include "editor/Editor.h"
#include "effects/RegionGesture.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

namespace {

constexpr const char* kUnsavedText = "現在の編集ファイルは保存していません。保存しますか？";
constexpr const char* kNotReadLabel = "ファイルは読み込まれません";
constexpr const char* kNotOursText = "Movaluxのファイルではありません";
constexpr const char* kFindFileText = "ファイルが見つかりません\u3000探しますか";
constexpr const char* kFileErrorText = "エラーが発生しました(File)";
constexpr const char* kMovieFilter = "AVI(*.avi);MPEG(*.mpg)|*.avi;*.mpg;*.mpeg";
constexpr const char* kPictureFilter = "bitmap(*.bmp);JPEG(*.jpg);GIF(*.gif)|*.bmp;*.jpg;*.gif";

// A save refused because a text cannot be written in the file's syntax.
constexpr int16_t kSaveRefused = 5;
// More frames than this (about nine hours at 30 frames a second) cannot be
// a movie's range; such a file is damaged, and allocating for it could
// exhaust the machine.
constexpr int64_t kMaxTimelineFrames = 1'000'000;
// The row counts a timeline can show.
constexpr int32_t kMinTimelineRows = 1;
constexpr int32_t kMaxTimelineRows = 1000;

struct ResourceSlot {
    int16_t slot;
    float owner;
    int16_t value;
    std::string file;
};

bool fileExists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

std::optional<int64_t> intItem(const std::optional<Item>& item) {
    if (!item) return std::nullopt;
    return parseInteger(item->text);
}

template <class Int>
std::optional<Int> fitted(std::optional<int64_t> v) {
    if (!v || *v < std::numeric_limits<Int>::min() || *v > std::numeric_limits<Int>::max())
        return std::nullopt;
    return static_cast<Int>(*v);
}

std::optional<float> floatItem(const std::optional<Item>& item) {
    if (!item) return std::nullopt;
    auto v = parseNumber(item->text);
    if (!v || std::abs(*v) > std::numeric_limits<float>::max()) return std::nullopt;
    return static_cast<float>(*v);
}

int floorDiv100(int v) {
    return v >= 0 ? v / 100 : -((-v + 99) / 100);
}

}  // namespace

// --- Saving ----------------------------------------------------------------

int16_t Editor::EDFileSave() {
    FileDialogRequest req;
    req.kind = FileDialogRequest::Kind::Save;
    req.title = "名前を付けて保存";
    req.cancelError = true;
    req.flags = 2;
    req.filter = kEditFileFilter;
    req.fileName = EdFName;
    const FileDialogResult answer = host_.FileDialog(req);
    if (answer.outcome == FileDialogResult::Outcome::Cancelled)
        return FileDialogResult::kCancelErrorNumber;
    if (answer.outcome == FileDialogResult::Outcome::EmptyName || answer.path.empty()) return 0;
    EdFName = answer.path;
    return saveEditFileTo(answer.path);
}

void Editor::mnuEdFileSaveAs_Click() {
    (void)EDFileSave();
}

EditFileContent Editor::editFileContent() {
    EditFileContent c;
    // The slot queries go to the picture-2 and movie modules; without them no
    // slot can be in use.
    if (dispatcher_.module(kouka::kPicture2) != nullptr) {
        for (int16_t j = 0; j <= 99; ++j) {
            int16_t button = j, shift = 0;
            float x = 0, y = 0;
            int32_t a = 0, b = 0;
            EffResult =
                JumpEff(kouka::kPicture2ThenMovie, cmd::kResQuery, button, shift, x, y, a, b);
            if (EffResult == 0)
                c.resources.push_back(
                    {j, static_cast<float>(leadingValue(ResName.substr(0, 2))), shift, ResName});
        }
    }
    c.movie = MvFName;
    c.markedStart = STFlame;
    c.markedEnd = ENDFlame;
    c.firstFrame = MvSTFlame;
    c.lastFrame = MvENDFlame;
    c.rows = TLRows;

    // Frames 0 .. last - first: the extra last column is never written.
    const int64_t wanted = static_cast<int64_t>(MvENDFlame) - MvSTFlame + 1;
    const int32_t frames =
        static_cast<int32_t>(std::clamp<int64_t>(wanted, 0, EffArr.frameCount()));
    const EffTimeline& layers = EffArr;
    // Each layer's last text and its index: a run of equal texts is one copy.
    const std::string* lastText[EffTimeline::kSavedLayers] = {};
    uint32_t lastIndex[EffTimeline::kSavedLayers] = {};
    c.records.reserve(static_cast<size_t>(frames) * EffTimeline::kShownLayers);
    for (int32_t f = 0; f < frames; ++f)
        for (int layer = 0; layer < EffTimeline::kSavedLayers; ++layer) {
            const EffRec& rec = layers.at(layer, f);
            if (rec.Kind < 1) continue;
            if (lastText[layer] == nullptr || *lastText[layer] != rec.Text) {
                lastIndex[layer] = static_cast<uint32_t>(c.texts.size());
                c.texts.push_back(rec.Text);
                lastText[layer] = &rec.Text;
            }
            c.records.push_back(SavedRecord{f, static_cast<int16_t>(rec.Kind + 100 * layer),
                                            rec.Param, rec.X, rec.Y, rec.W, rec.H,
                                            lastIndex[layer]});
        }
    return c;
}

int16_t Editor::saveEditFileTo(const std::string& path) {
    const EditFileContent content = editFileContent();
    // A double quote would end the item early and corrupt the file: refuse
    // the save and name the text, before anything is written.
    if (const std::string* bad = unwritableText(content)) {
        host_.MsgBox("ダブルクォーテーション(\")を含む文字は保存できません: " + *bad,
                     msgbox::kExclamation, kWarningTitle);
        return kSaveRefused;
    }
    FileWriteError error{};
    auto written = writeFileReplacing(path, editFileText(content), &error);
    if (!written) {
        host_.MsgBox("保存できませんでした: " + error.message, msgbox::kExclamation, kWarningTitle);
        return static_cast<int16_t>(error.errorNumber);
    }
    EdSaved = kTrue;
    EffUndoErase();
    HokanCancel(false);
    // The project is safe in its own file: nothing is left to recover.
    recoveryNotNeeded();
    return 0;
}

// --- Reading ---------------------------------------------------------------

void Editor::mnuEdFileOpen_Click() {
    // Reading replaces the whole project: unsaved work is offered a save
    // first, as when the movie is released.
    if (!confirmDropUnsaved()) return;
    FileDialogRequest req;
    req.kind = FileDialogRequest::Kind::Open;
    req.title = "開く";
    req.cancelError = true;
    req.filter = kEditFileFilter;
    const FileDialogResult answer = host_.FileDialog(req);
    if (answer.outcome != FileDialogResult::Outcome::Chosen || answer.path.empty()) return;
    readEditFile(answer.path, ReadOptions{});
}

Editor::ReadOutcome Editor::readEditFile(const std::string& path, ReadOptions options) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            host_.MsgBox("編集ファイルを開けません: " + path, msgbox::kExclamation, kWarningTitle);
            return ReadOutcome::Unreadable;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return readEditFileText(bytes, options, &path);
}

Editor::ReadOutcome Editor::readEditFileBytes(std::string_view bytes, ReadOptions options) {
    return readEditFileText(bytes, options, nullptr);
}

Editor::ReadOutcome Editor::readEditFileText(std::string_view bytes, ReadOptions options,
                                             const std::string* path) {
    // The names that follow the file, taken over only once the file replaces
    // the project (and, as the format's first check has it, when the file
    // is not an edit file at all).
    auto takeNames = [&] {
        if (path == nullptr) return;
        EdFName = *path;
        RecFName = path->substr(0, path->size() >= 4 ? path->size() - 4 : 0) + "-1.avi";
    };
    const std::string text = decodeEditFileText(bytes);
    ItemReader items(text);

    auto magic = items.next();
    if (!magic || magic->text != kEditFileMagic) {
        takeNames();
        host_.SetLabel("Label2", kNotReadLabel);
        host_.MsgBox(kNotOursText, msgbox::kStyleCriticalDefault2, kWarningTitle);
        return ReadOutcome::NotOurs;
    }

    // Reading stops at the first item that cannot be taken; what was read
    // stays, and the user learns from which line on the file was not read.
    bool stopped = false;
    auto damaged = [&](int line) {
        stopped = true;
        host_.MsgBox("編集ファイルが壊れています。" + std::to_string(line) +
                         "行目から先は読み込まれませんでした",
                     msgbox::kExclamation, kWarningTitle);
    };
    auto lineOf = [&]() { return items.line() > 0 ? items.line() : 1; };

    auto movie = items.next();
    if (!movie) {
        damaged(2);
        return ReadOutcome::Damaged;
    }
    // Nothing of the open project changes until the file's movie is there:
    // a cancelled search or a movie that does not open leaves the project,
    // its names included, as it was.
    std::string moviePath = movie->text;
    if (!fileExists(moviePath)) {
        std::string answer = ChngFName(moviePath, 1);
        if (answer.empty()) return ReadOutcome::Stopped;
        moviePath = answer;
    }
    if (options.openMovie) {
        const std::string oldMovie = MvFName;
        MvFName = moviePath;
        if (!openMovieAndReport(false)) {
            MvFName = oldMovie;
            host_.MsgBox("ムービーを開けませんでした（この形式は読めません）: " + moviePath +
                             "\n編集ファイルは読み込まれませんでした",
                         msgbox::kExclamation, kWarningTitle);
            return ReadOutcome::MovieNotOpened;
        }
    } else {
        MvFName = moviePath;
    }
    takeNames();
    // The file replaces the project from here on.
    recoveryNotNeeded();

    {
        auto st = fitted<int32_t>(intItem(items.next()));
        const int line3 = lineOf();
        auto en = fitted<int32_t>(intItem(items.next()));
        auto mvSt = fitted<int32_t>(intItem(items.next()));
        auto mvEnd = fitted<int32_t>(intItem(items.next()));
        if (!st || !en || !mvSt || !mvEnd) {
            damaged(line3);
        } else {
            STFlame = *st;
            ENDFlame = *en;
            MvSTFlame = *mvSt;
            MvENDFlame = *mvEnd;
            RangeST = STFlame;
            RangeEND = ENDFlame;
            auto rows = fitted<int32_t>(intItem(items.next()));
            // Below 1 the timeline shows nothing; far above a screenful every
            // redraw loops over rows no one can see and the window freezes.
            if (!rows || *rows < kMinTimelineRows || *rows > kMaxTimelineRows) {
                damaged(lineOf());
            } else {
                TLRows = *rows;
                const int64_t frames = static_cast<int64_t>(MvENDFlame) - MvSTFlame + 2;
                if (frames > kMaxTimelineFrames) {
                    damaged(line3);
                } else {
                    try {
                        recreateTimeline(MvSTFlame, MvENDFlame);
                    } catch (const std::bad_alloc&) {
                        damaged(line3);
                    }
                }
            }
        }
    }

    while (!stopped && !items.atEnd()) {
        std::optional<Item> it[8];
        it[0] = items.next();
        const int line = lineOf();  // where this record starts
        for (int i = 1; i < 8; ++i) it[i] = items.next();
        auto frame = fitted<int32_t>(intItem(it[0]));
        auto code = fitted<int16_t>(intItem(it[1]));
        auto v3 = floatItem(it[2]), v4 = floatItem(it[3]), v5 = floatItem(it[4]),
             v6 = floatItem(it[5]);
        auto param = fitted<int16_t>(intItem(it[6]));
        if (!frame || !code || !v3 || !v4 || !v5 || !v6 || !param || !it[7]) {
            damaged(line);
            break;
        }
        if (*code == 0) {
            const int32_t slot = roundHalfEven32(*v3);
            const int32_t owner = roundHalfEven32(*v4);
            const std::string& file = it[7]->text;
            const std::string prefix = file.substr(0, 2);
            const std::string filePath = file.size() > 2 ? file.substr(2) : std::string();
            if (!fileExists(filePath)) {
                // A search that was refused or came back empty hands the
                // text back whole; only a found file gets the prefix put
                // before it again.
                const std::string found = ChngFName(file, 2);
                ResName = found == file ? file : prefix + found;
            } else {
                ResName = file;
            }
            int16_t button = static_cast<int16_t>(std::clamp(slot, -32768, 32767));
            int16_t shift = *param;
            float x = 0, y = 0;
            int32_t a = 0, b = 0;
            EffResult = JumpEff(static_cast<int16_t>(std::clamp(owner, -32768, 32767)),
                                cmd::kResLoad, button, shift, x, y, a, b);
            continue;
        }
        const int layer = floorDiv100(*code);
        // A layer the file format cannot hold (5 and up) would be dropped
        // unseen at the next save: it is a damaged line like any other.
        if (layer >= EffTimeline::kSavedLayers || !EffArr.contains(layer, *frame)) {
            damaged(line);
            break;
        }
        EffRec& rec = EffArr.at(layer, *frame);
        rec.Kind = static_cast<int16_t>(*code - 100 * layer);
        rec.X = *v3;
        rec.Y = *v4;
        rec.W = *v5;
        rec.H = *v6;
        rec.Param = *param;
        rec.Text = it[7]->text;
        if (rec.Kind == kouka::kPicture && rec.Text != "1") ResName = rec.Text;
    }

    updateMarkedPositions();
    host_.DspSldr();
    host_.SetTLine();
    Combo3_Click("ぼかし");
    Combo3_Click("マスク");
    EffUndoErase();
    HokanCancel(false);
    CurFlame = STFlame;
    JmpST();
    return stopped ? ReadOutcome::Damaged : ReadOutcome::Read;
}

std::string Editor::ChngFName(const std::string& FName2, int16_t FType) {
    const int answer = host_.MsgBox(kFindFileText, msgbox::kStyleYesNoWarn, kWarningTitle);
    if (answer != msgbox::kAnswerYes) return FName2;
    FileDialogRequest req;
    req.kind = FileDialogRequest::Kind::Open;
    req.title = "開く";
    req.cancelError = true;
    req.filter = FType == 1 ? kMovieFilter : kPictureFilter;
    req.fileName = FName2.size() > 2 ? FName2.substr(2) : std::string();
    const FileDialogResult found = host_.FileDialog(req);
    if (found.outcome == FileDialogResult::Outcome::Cancelled) {
        host_.MsgBox(kFileErrorText, msgbox::kOk, kAppTitle);
        return std::string();
    }
    if (found.outcome == FileDialogResult::Outcome::EmptyName || found.path.empty()) return FName2;
    return found.path;
}

// --- Prompts and shutdown ----------------------------------------------------

bool Editor::confirmDropUnsaved() {
    if (EdSaved != kFalse) return true;
    MsgText = kUnsavedText;
    MsgStyle = std::to_string(msgbox::kStyleYesNoCancelWarn);
    MsgTitle = kWarningTitle;
    MsgAnswer = static_cast<int16_t>(host_.MsgBox(MsgText, std::stoi(MsgStyle), MsgTitle));
    if (MsgAnswer == msgbox::kAnswerCancel) return false;
    if (MsgAnswer == msgbox::kAnswerYes) return EDFileSave() == 0;
    return true;
}

bool Editor::Form_Unload() {
    if (!confirmDropUnsaved()) return false;
    PRGEnd();
    // A clean end: the project was saved or the user let it go.
    if (autosave_ != nullptr) autosave_->close(changeCount_);
    return true;
}

void Editor::PRGEnd() {
    // Playback and writing stop at their next pass; the movie module closes
    // its own movie after ours is released.
    if (MvOpen != kFalse) {
        Idle = true;
        CloseStream();
    }
    int16_t button = 0, shift = 0;
    float x = 0, y = 0;
    int32_t a = 0, b = 0;
    EffResult = JumpEff(kouka::kMovie, cmd::kClose, button, shift, x, y, a, b);
}

// --- Effect list -------------------------------------------------------------

void Editor::Combo3_Click(std::string_view effectName) {
    static constexpr std::pair<std::string_view, int16_t> kEffects[] = {
        {"マスク", 1}, {"矢印", 3}, {"画像", 4},    {"拡大", 5},   {"モザイク", 6},  {"色調", 7},
        {"明るさ", 8}, {"反転", 9}, {"ぼかし", 10}, {"画像2", 11}, {"ムービー", 20},
    };
    int16_t number = 0;
    for (const auto& [name, n] : kEffects)
        if (name == effectName) number = n;
    if (number == 0) return;
    panel_.setText("Combo3", effectName);
    // An effect whose module is not there cannot answer with its number; the
    // current choice then stays.
    const bool answers = dispatcher_.module(number) != nullptr;
    const int32_t chosen = jumpEffValues(number, cmd::kPanel, 0, 0, PanelScale);
    if (answers) KoukaSel = static_cast<int16_t>(chosen);
    ParamValue = roundHalfEven16(leadingValue(panel_.text("Combo1")));
    EffResult = jumpEffValues(KoukaSel, cmd::kParam, ctl::kCombo3, ParamValue);
}

void Editor::JmpST() {
    TLTop = RangeST;
    SliderPos = static_cast<float>(RangeST * SliderScale);
    host_.DspSldr();
    host_.SetSlr2();
    DspFrame2();
}

}  // namespace movalux
