#pragma once
// The work folder MXTemp: $XDG_CACHE_HOME/movalux/MXTemp (default
// ~/.cache/movalux/MXTemp), since the program's own folder is not writable.
//
// Every temporary file of a job has a name of its own, created exclusively,
// that carries the job's process id ("<name>.mxjob-<pid>-<n><ext>"), and is
// removed when the job ends, also when it fails. Two jobs at once never
// share a file; the leftovers of a job that was killed are recognised by
// their process id no longer running and removed by the next job that
// starts in the same folder.

#include <filesystem>
#include <string>
#include <string_view>

#include "base/Result.h"

namespace movalux {

std::filesystem::path mxTempFolder();

// A unique name of this process in `folder` for a file of a job:
// "<prefix>.mxjob-<pid>-<n><suffix>" (a "." first when hidden). Not created.
std::filesystem::path jobFileName(const std::filesystem::path& folder, std::string_view prefix,
                                  std::string_view suffix, bool hidden);

// The file under construction for `target`, beside it and hidden:
// ".<name>.mxjob-<pid>-<n>.part<extension>", so that the container is still
// told by the extension.
std::string partPathFor(const std::string& target);

// Removes the job files in `folder` whose process is no longer running.
void removeStaleJobFiles(const std::filesystem::path& folder);

// A job's temporary file: created exclusively under a unique name in an
// existing folder, removed when the object goes.
class JobTempFile {
  public:
    JobTempFile() = default;
    static Result<JobTempFile> create(const std::filesystem::path& folder, std::string_view prefix,
                                      std::string_view suffix, bool hidden);
    JobTempFile(JobTempFile&& other) noexcept : path_(std::move(other.path_)) {
        other.path_.clear();
    }
    JobTempFile& operator=(JobTempFile&& other) noexcept;
    JobTempFile(const JobTempFile&) = delete;
    JobTempFile& operator=(const JobTempFile&) = delete;
    ~JobTempFile() { remove(); }

    const std::filesystem::path& path() const { return path_; }
    std::string string() const { return path_.string(); }
    void remove();

  private:
    std::filesystem::path path_;
};

}  // namespace movalux
