// Autosave of the unsaved project and its recovery after an editor ended
// without closing it.

#include <ctime>

#include "editfile/EditFileFormat.h"
#include "editor/Editor.h"
#include "effects/RegionGesture.h"
#include "host/Host.h"

namespace movalux {

namespace {

constexpr const char* kOfferText = "前回終了時に保存されていない作業があります。復元しますか？";
constexpr const char* kListTitle = "復元";
constexpr const char* kListPrompt = "復元する作業を選んでください";
constexpr const char* kNothingText = "復元できる作業はありません";
constexpr const char* kRemoveCaption = "削除";
constexpr const char* kRemoveText = "選んだ作業を削除します。元に戻せません。よろしいですか？";
// Yes and No with the exclamation mark; No is the default.
constexpr int kRemoveStyle = msgbox::kStyleYesNoWarn;
// Yes and No with the exclamation mark; Yes is the default.
constexpr int kOfferStyle = msgbox::kYesNo | msgbox::kExclamation;

// One line of the list: the edit file's name, the movie's and when it was
// written.
std::string describe(const RecoveryEntry& e) {
    char when[32] = "";
    const std::time_t t = static_cast<std::time_t>(e.info.savedAt);
    std::tm local{};
    if (t > 0 && ::localtime_r(&t, &local) != nullptr)
        std::strftime(when, sizeof when, "%Y/%m/%d %H:%M", &local);
    std::string name = FileTitle(e.info.editFile);
    if (name.empty()) name = e.id;
    std::string line = name;
    if (!e.info.movie.empty()) line += "（" + FileTitle(e.info.movie) + "）";
    if (when[0] != '\0') line += "  " + std::string(when);
    return line;
}

}  // namespace

void Editor::enableAutosave(const std::string& folder, AutosavePolicy policy) {
    autosave_ = std::make_unique<Autosave>(folder, policy);
}

bool Editor::autosaveDue() {
    // Nothing is written while a play or write loop runs: nothing changes then.
    if (autosave_ == nullptr || !Idle) return false;
    return autosave_->due(changeCount_, EdSaved == kFalse, host_.timeGetTime());
}

bool Editor::AutosaveTick() {
    if (!autosaveDue()) return false;
    // The copy is made here, on the window's thread; the text is made and
    // written on the writer thread.
    autosave_->start(editFileContent(), RecoveryInfo{EdFName, RecFName, MvFName, 0}, changeCount_);
    return true;
}

void Editor::recoveryNotNeeded() {
    if (autosave_ != nullptr) autosave_->discard(changeCount_);
}

bool Editor::openRecovered(const RecoveryEntry& entry) {
    const ReadOutcome outcome = readEditFile(entry.textPath);
    if (outcome != ReadOutcome::Read && outcome != ReadOutcome::Damaged) return false;
    // An unsaved project under the names the user knew; the recovery file
    // is never written over the edit file by itself.
    // Never the recovery file's own path: a save there would be removed
    // with it.
    setMovieNames(MvFName);
    if (!entry.info.editFile.empty()) EdFName = entry.info.editFile;
    if (!entry.info.recordFile.empty()) RecFName = entry.info.recordFile;
    if (outcome == ReadOutcome::Read && autosave_->store().adopt(entry.id)) {
        // The file holds exactly this project: it is this editor's now.
        EdSaved = kFalse;
        autosave_->adopted(changeCount_);
    } else {
        // Part of it only: the file stays for later, and this editor writes
        // what it has as its own.
        markChanged();
    }
    return true;
}

void Editor::offerRecovery() {
    if (autosave_ == nullptr) return;
    RecoveryStore& store = autosave_->store();
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    // Work declined once is not asked about again; 復元... still lists it.
    std::vector<RecoveryEntry> entries;
    for (RecoveryEntry& e : store.listAbandoned(now))
        if (e.info.declinedAt == 0) entries.push_back(std::move(e));
    if (entries.empty()) {
        store.releaseClaims();
        return;
    }
    if (host_.MsgBox(kOfferText, kOfferStyle, kWarningTitle) == msgbox::kAnswerYes) {
        int chosen = 0;
        if (entries.size() > 1) {
            std::vector<std::string> items;
            for (const RecoveryEntry& e : entries) items.push_back(describe(e));
            chosen = host_.ChooseFromList(kListTitle, kListPrompt, items).index;
        }
        if (chosen >= 0 && chosen < static_cast<int>(entries.size()) && confirmDropUnsaved())
            openRecovered(entries[static_cast<size_t>(chosen)]);
    } else {
        for (const RecoveryEntry& e : entries) store.markDeclined(e.id, now);
    }
    store.releaseClaims();
}

void Editor::mnuRecover_Click() {
    if (autosave_ == nullptr) return;
    RecoveryStore& store = autosave_->store();
    bool listed = false;
    for (;;) {
        const std::vector<RecoveryEntry> entries = store.listAbandoned();
        if (entries.empty()) {
            // After the last entry was removed the list just closes.
            if (!listed) host_.MsgBox(kNothingText, msgbox::kOk, kAppTitle);
            break;
        }
        listed = true;
        std::vector<std::string> items;
        for (const RecoveryEntry& e : entries) items.push_back(describe(e));
        const Host::ListChoice choice =
            host_.ChooseFromList(kListTitle, kListPrompt, items, kRemoveCaption);
        if (choice.index < 0 || choice.index >= static_cast<int>(entries.size())) break;
        const RecoveryEntry& entry = entries[static_cast<size_t>(choice.index)];
        if (choice.remove) {
            if (host_.MsgBox(kRemoveText, kRemoveStyle, kWarningTitle) == msgbox::kAnswerYes)
                store.discard(entry.id);
            store.releaseClaims();
            continue;
        }
        if (confirmDropUnsaved()) openRecovered(entry);
        break;
    }
    store.releaseClaims();
}

}  // namespace movalux
