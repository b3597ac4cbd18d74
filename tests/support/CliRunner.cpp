#include "support/CliRunner.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace movalux::test {

namespace {
std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
}  // namespace

CliResult runCli(const std::vector<std::string>& args) {
    std::string cmd = MOVALUX_CLI;
    for (const auto& a : args) cmd += " " + quote(a);
    cmd += " 2>&1";
    CliResult r{};
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return {-1, "popen failed"};
    std::array<char, 512> buf{};
    while (fgets(buf.data(), static_cast<int>(buf.size()), p)) r.output += buf.data();
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

TempDir::TempDir(const std::string& tag) {
    static int counter = 0;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("movalux-" + tag + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(dir);
    root_ = dir.string();
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::string TempDir::path(const std::string& name) const { return (std::filesystem::path(root_) / name).string(); }

}  // namespace movalux::test
