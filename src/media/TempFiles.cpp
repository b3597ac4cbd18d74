#include "media/TempFiles.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace movalux {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kJobMark = ".mxjob-";

std::atomic<unsigned> jobCounter{0};

// The process id in a job file's name, or 0.
long jobPid(const std::string& name) {
    const size_t at = name.find(kJobMark);
    if (at == std::string::npos) return 0;
    size_t i = at + kJobMark.size();
    long pid = 0;
    size_t digits = 0;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9' && digits < 10) {
        pid = pid * 10 + (name[i] - '0');
        ++i;
        ++digits;
    }
    if (digits == 0 || i >= name.size() || name[i] != '-') return 0;
    return pid;
}

bool running(long pid) {
    if (pid <= 0) return true;  // not a job file: keep it
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

}  // namespace

fs::path mxTempFolder() {
    fs::path base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache) {
        base = cache;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = fs::path(home) / ".cache";
    } else {
        base = fs::temp_directory_path();
    }
    return base / "movalux" / "MXTemp";
}

fs::path jobFileName(const fs::path& folder, std::string_view prefix, std::string_view suffix,
                     bool hidden) {
    std::string name = hidden ? "." : "";
    name += prefix;
    name += kJobMark;
    name += std::to_string(::getpid()) + "-" + std::to_string(jobCounter.fetch_add(1));
    name += suffix;
    return folder / name;
}

std::string partPathFor(const std::string& target) {
    const fs::path p(target);
    return jobFileName(p.parent_path(), p.filename().string(), ".part" + p.extension().string(),
                       true)
        .string();
}

void removeStaleJobFiles(const fs::path& folder) {
    std::error_code ec;
    const fs::path dir = folder.empty() ? fs::path(".") : folder;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const long pid = jobPid(name);
        if (pid <= 0 || running(pid)) continue;
        std::error_code rm;
        if (it->is_regular_file(rm)) fs::remove(it->path(), rm);
    }
}

Result<JobTempFile> JobTempFile::create(const fs::path& folder, std::string_view prefix,
                                        std::string_view suffix, bool hidden) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path path = jobFileName(folder, prefix, suffix, hidden);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            JobTempFile f;
            f.path_ = path;
            return f;
        }
        if (errno != EEXIST)
            return Error{"cannot create " + path.string() + ": " +
                         std::generic_category().message(errno)};
    }
    return Error{"cannot create a temporary file in " + folder.string()};
}

JobTempFile& JobTempFile::operator=(JobTempFile&& other) noexcept {
    if (this != &other) {
        remove();
        path_ = std::move(other.path_);
        other.path_.clear();
    }
    return *this;
}

void JobTempFile::remove() {
    if (path_.empty()) return;
    std::error_code ec;
    fs::remove(path_, ec);
    path_.clear();
}

}  // namespace movalux
