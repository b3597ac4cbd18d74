#pragma once
// Runs movalux-cli as a user runs it and collects its exit status and
// everything it printed.

#include <string>
#include <vector>

namespace movalux::test {

struct CliResult {
    int status;
    std::string output;  // stdout and stderr together
};

CliResult runCli(const std::vector<std::string>& args);

// A fresh folder under the system's temporary folder, removed with the
// object.
class TempDir {
public:
    explicit TempDir(const std::string& tag);
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path(const std::string& name) const;
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

}  // namespace movalux::test
