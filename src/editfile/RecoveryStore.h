#pragma once
// The recovery folder: where an editor keeps an unsaved project in the edit
// file's format while it runs, and where the next start finds the projects of
// editors that ended without closing them.
//
// Each editor takes an id of its own (process id and a random part) and holds
// "<id>.lock" locked (flock) for as long as it runs; the kernel lets go of
// the lock when the process ends in any way, SIGKILL included. Its project is
// "<id>.txt" with "<id>.info" beside it (the project's edit-file and output
// names). Both are written to a temporary file and renamed into place, so a
// reader sees the previous text or the next, never a part. A ".txt" whose
// lock can be taken belongs to an editor that is no longer running; taking
// the lock also keeps a second new editor from offering the same project.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/Result.h"

namespace movalux {

// What the folder keeps of a project besides its text.
struct RecoveryInfo {
    std::string editFile;    // EdFName: where the user would save the project
    std::string recordFile;  // RecFName
    std::string movie;       // MvFName, for the list
    int64_t savedAt = 0;     // seconds since the epoch of the last write
    // When the user declined to recover it at start (seconds since the
    // epoch), 0 while never declined. Declined work is not offered at start
    // again, stays listed under 復元... and goes after kDeclinedKeepSeconds.
    int64_t declinedAt = 0;
};

// Declined work is kept two weeks.
inline constexpr int64_t kDeclinedKeepSeconds = 14 * 24 * 3600;

// A project left by an editor that is no longer running.
struct RecoveryEntry {
    std::string id;
    std::string textPath;
    RecoveryInfo info;
};

// $XDG_STATE_HOME/movalux/recovery, or ~/.local/state/movalux/recovery when
// XDG_STATE_HOME is unset or not an absolute path.
std::string defaultRecoveryFolder();

class RecoveryStore {
  public:
    explicit RecoveryStore(std::string folder);
    // Lets go of every lock; the files stay, as after any end that did not
    // close the project.
    ~RecoveryStore();
    RecoveryStore(const RecoveryStore&) = delete;
    RecoveryStore& operator=(const RecoveryStore&) = delete;

    const std::string& folder() const { return folder_; }

    // --- This editor's project -------------------------------------------
    // Writes the project: info, then text, each replaced whole. Takes the
    // editor's id and lock on first use (the folder is made, private to the
    // user, when missing).
    Result<bool> write(std::string_view text, const RecoveryInfo& info);
    // Removes this editor's project files (the project was saved or closed).
    // The id and lock stay for the next project.
    void remove();
    // remove(), and the lock file goes too: the program ends cleanly.
    void close();
    // The path of this editor's project text; "" before the first write.
    std::string textPath() const;
    std::string id() const;

    // --- Projects of editors that are no longer running --------------------
    // Lists them, newest first, and keeps each one's lock until
    // releaseClaims() or adopt(): no other editor can offer them meanwhile.
    // Leftovers of those editors (temporary files of a write cut short, a
    // lock without a project) are removed.
    // Work declined longer than kDeclinedKeepSeconds before `now` is removed
    // (never work the user has not declined).
    std::vector<RecoveryEntry> listAbandoned(int64_t now);
    std::vector<RecoveryEntry> listAbandoned();
    void releaseClaims();
    // The listed project `id` becomes this editor's own: its files are
    // written and removed as this editor's from now on, and this editor's
    // previous files are removed. False when `id` was not listed.
    bool adopt(const std::string& id);
    // The user declined to recover the listed project `id` at `now`; false
    // when it was not listed or its info could not be written.
    bool markDeclined(const std::string& id, int64_t now);
    // Removes the listed project `id` for good; false when it was not listed.
    bool discard(const std::string& id);

  private:
    std::string pathOf(const std::string& id, std::string_view suffix) const;
    bool ensureSession();
    void removeFilesOf(const std::string& id);
    // Removes a claimed project's files and lets go of its lock.
    void discardClaimed(const std::string& id);

    mutable std::mutex mutex_;
    std::string folder_;
    std::string id_;  // "" until the first write
    int lockFd_ = -1;
    std::map<std::string, int> claims_;  // listed projects' ids and lock descriptors
};

// The info file's text, and back.
std::string recoveryInfoText(const RecoveryInfo& info);
RecoveryInfo parseRecoveryInfo(std::string_view text);

}  // namespace movalux
