#include "editfile/RecoveryStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <set>

#include "editfile/EditFileFormat.h"

namespace movalux {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kText = ".txt";
constexpr std::string_view kInfo = ".info";
constexpr std::string_view kLock = ".lock";

bool endsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return pw->pw_dir;
    return "/tmp";
}

// Whether the descriptor still is the file at `path` (not one that was
// removed, or replaced, since it was opened).
bool stillAt(int fd, const std::string& path) {
    struct stat byFd {
    }, byPath{};
    if (::fstat(fd, &byFd) != 0 || ::stat(path.c_str(), &byPath) != 0) return false;
    return byFd.st_dev == byPath.st_dev && byFd.st_ino == byPath.st_ino;
}

// Opens `path` (made when missing) and takes its lock without waiting: the
// descriptor, or -1 when another process holds it.
int lockFile(const std::string& path) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (fd < 0 && errno == ENOENT)
            fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return -1;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return -1;
        }
        if (stillAt(fd, path)) return fd;
        ::close(fd);  // removed or replaced meanwhile: look again
    }
    return -1;
}

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string escape(std::string_view v) {
    std::string out;
    for (char c : v) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string unescape(std::string_view v) {
    std::string out;
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '\\' && i + 1 < v.size()) {
            const char n = v[++i];
            out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            out += v[i];
        }
    }
    return out;
}

}  // namespace

std::string defaultRecoveryFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    const std::string base =
        state != nullptr && state[0] == '/' ? std::string(state) : homeFolder() + "/.local/state";
    return base + "/movalux/recovery";
}

std::string recoveryInfoText(const RecoveryInfo& info) {
    return "edit=" + escape(info.editFile) + "\nrecord=" + escape(info.recordFile) +
           "\nmovie=" + escape(info.movie) + "\nsaved=" + std::to_string(info.savedAt) + "\n" +
           (info.declinedAt != 0 ? "declined=" + std::to_string(info.declinedAt) + "\n" : "");
}

RecoveryInfo parseRecoveryInfo(std::string_view text) {
    RecoveryInfo info;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = line.substr(0, eq);
        const std::string value = unescape(line.substr(eq + 1));
        if (key == "edit")
            info.editFile = value;
        else if (key == "record")
            info.recordFile = value;
        else if (key == "movie")
            info.movie = value;
        else if (key == "saved")
            info.savedAt = std::strtoll(value.c_str(), nullptr, 10);
        else if (key == "declined")
            info.declinedAt = std::strtoll(value.c_str(), nullptr, 10);
    }
    return info;
}

RecoveryStore::RecoveryStore(std::string folder) : folder_(std::move(folder)) {}

RecoveryStore::~RecoveryStore() {
    releaseClaims();
    std::lock_guard lock(mutex_);
    if (lockFd_ >= 0) ::close(lockFd_);
}

std::string RecoveryStore::pathOf(const std::string& id, std::string_view suffix) const {
    return folder_ + "/" + id + std::string(suffix);
}

std::string RecoveryStore::textPath() const {
    std::lock_guard lock(mutex_);
    return id_.empty() ? std::string() : pathOf(id_, kText);
}

std::string RecoveryStore::id() const {
    std::lock_guard lock(mutex_);
    return id_;
}

bool RecoveryStore::ensureSession() {
    if (lockFd_ >= 0) return true;
    std::error_code ec;
    if (!fs::is_directory(folder_, ec)) {
        fs::create_directories(folder_, ec);
        if (ec) return false;
        // Unsaved work is the user's own business.
        fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::replace, ec);
    }
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        char part[16];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
        const std::string id = std::to_string(::getpid()) + "-" + part;
        const std::string path = pathOf(id, kLock);
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        // A lister may have taken the new file for a leftover and removed
        // it before the lock was on: then it is not this editor's any more.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !stillAt(fd, path)) {
            ::close(fd);
            continue;
        }
        const std::string pid = std::to_string(::getpid()) + "\n";
        (void)!::write(fd, pid.data(), pid.size());
        id_ = id;
        lockFd_ = fd;
        return true;
    }
    return false;
}

Result<bool> RecoveryStore::write(std::string_view text, const RecoveryInfo& info) {
    std::lock_guard lock(mutex_);
    if (!ensureSession()) return Error{"the recovery folder " + folder_ + " cannot be used"};
    RecoveryInfo stamped = info;
    stamped.savedAt = static_cast<int64_t>(std::time(nullptr));
    auto wroteInfo = writeFileReplacing(pathOf(id_, kInfo), recoveryInfoText(stamped), nullptr);
    if (!wroteInfo) return wroteInfo;
    return writeFileReplacing(pathOf(id_, kText), text, nullptr);
}

void RecoveryStore::removeFilesOf(const std::string& id) {
    ::unlink(pathOf(id, kText).c_str());
    ::unlink(pathOf(id, kInfo).c_str());
}

void RecoveryStore::remove() {
    std::lock_guard lock(mutex_);
    if (!id_.empty()) removeFilesOf(id_);
}

void RecoveryStore::close() {
    std::lock_guard lock(mutex_);
    if (id_.empty()) return;
    removeFilesOf(id_);
    ::unlink(pathOf(id_, kLock).c_str());
    ::close(lockFd_);
    lockFd_ = -1;
    id_.clear();
}

std::vector<RecoveryEntry> RecoveryStore::listAbandoned() {
    return listAbandoned(static_cast<int64_t>(std::time(nullptr)));
}

std::vector<RecoveryEntry> RecoveryStore::listAbandoned(int64_t now) {
    std::lock_guard lock(mutex_);
    std::vector<RecoveryEntry> found;
    std::set<std::string> texts, locks;
    std::vector<std::string> hidden;
    std::error_code ec;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty()) continue;
        if (name[0] == '.') {
            hidden.push_back(name);
            continue;
        }
        if (endsWith(name, kText))
            texts.insert(name.substr(0, name.size() - kText.size()));
        else if (endsWith(name, kLock))
            locks.insert(name.substr(0, name.size() - kLock.size()));
    }
    // Temporary files of a write that was cut short, by the id they belong to.
    auto removeLeftovers = [&](const std::string& id) {
        for (const std::string& h : hidden)
            if (h.rfind("." + id + ".", 0) == 0) ::unlink((folder_ + "/" + h).c_str());
    };

    for (const std::string& id : texts) {
        if (id == id_) continue;
        int fd = -1;
        if (auto c = claims_.find(id); c != claims_.end()) {
            fd = c->second;
        } else {
            fd = lockFile(pathOf(id, kLock));
            if (fd < 0) continue;  // its editor runs, or another editor offers it
            claims_[id] = fd;
        }
        removeLeftovers(id);
        RecoveryEntry entry{id, pathOf(id, kText), parseRecoveryInfo(slurp(pathOf(id, kInfo)))};
        if (entry.info.savedAt == 0) {
            struct stat st {};
            if (::stat(entry.textPath.c_str(), &st) == 0) entry.info.savedAt = st.st_mtime;
        }
        if (entry.info.declinedAt != 0 && now - entry.info.declinedAt > kDeclinedKeepSeconds) {
            discardClaimed(id);
            continue;
        }
        found.push_back(std::move(entry));
    }
    // Locks of editors that ended before they wrote anything, or after they
    // removed their project.
    for (const std::string& id : locks) {
        if (id == id_ || texts.count(id) != 0 || claims_.count(id) != 0) continue;
        const std::string path = pathOf(id, kLock);
        const int fd = lockFile(path);
        if (fd < 0) continue;
        removeLeftovers(id);
        ::unlink(pathOf(id, kInfo).c_str());
        ::unlink(path.c_str());
        ::close(fd);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const RecoveryEntry& a, const RecoveryEntry& b) {
                         return a.info.savedAt > b.info.savedAt;
                     });
    return found;
}

void RecoveryStore::releaseClaims() {
    std::lock_guard lock(mutex_);
    for (auto& [id, fd] : claims_) ::close(fd);
    claims_.clear();
}

bool RecoveryStore::markDeclined(const std::string& id, int64_t now) {
    std::lock_guard lock(mutex_);
    if (claims_.count(id) == 0) return false;
    RecoveryInfo info = parseRecoveryInfo(slurp(pathOf(id, kInfo)));
    info.declinedAt = now;
    return writeFileReplacing(pathOf(id, kInfo), recoveryInfoText(info), nullptr).ok();
}

bool RecoveryStore::discard(const std::string& id) {
    std::lock_guard lock(mutex_);
    if (claims_.count(id) == 0) return false;
    discardClaimed(id);
    return true;
}

void RecoveryStore::discardClaimed(const std::string& id) {
    auto c = claims_.find(id);
    removeFilesOf(id);
    ::unlink(pathOf(id, kLock).c_str());
    if (c != claims_.end()) {
        ::close(c->second);
        claims_.erase(c);
    }
}

bool RecoveryStore::adopt(const std::string& id) {
    std::lock_guard lock(mutex_);
    auto c = claims_.find(id);
    if (c == claims_.end()) return false;
    if (!id_.empty()) {
        removeFilesOf(id_);
        ::unlink(pathOf(id_, kLock).c_str());
        ::close(lockFd_);
    }
    id_ = id;
    lockFd_ = c->second;
    claims_.erase(c);
    return true;
}

}  // namespace movalux
