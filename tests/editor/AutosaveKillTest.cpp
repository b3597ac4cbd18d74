// An editor killed with SIGKILL in the middle of its work: the next start
// offers its project exactly as its last autosave wrote it. The editor is a
// real process (tests/helpers/autosave_child.cpp) that edits at random with
// autosave on and says on stdout which states it writes.

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "editfile/EditFileFormat.h"
#include "editfile/RecoveryStore.h"
#include "media/MediaLog.h"
#include "media/MovieWriter.h"
#include "media/TestPattern.h"
#include "support/EditorFixture.h"

extern char** environ;

namespace movalux::test {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The child with its stdout on a pipe.
class Child {
  public:
    Child(const std::vector<std::string>& args, const std::string& stateHome) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        std::vector<std::string> env;
        for (char** e = environ; *e != nullptr; ++e)
            if (std::string(*e).rfind("XDG_STATE_HOME=", 0) != 0) env.emplace_back(*e);
        env.push_back("XDG_STATE_HOME=" + stateHome);
        std::vector<char*> argv, envp;
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        out_ = fds[0];
    }
    ~Child() {
        kill();
        if (out_ >= 0) ::close(out_);
    }
    bool running() const { return pid_ > 0; }
    // The next line, or nothing at the deadline or the end of the output.
    std::optional<std::string> line(std::chrono::steady_clock::time_point deadline) {
        for (;;) {
            if (const size_t nl = buffer_.find('\n'); nl != std::string::npos) {
                std::string l = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                return l;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return std::nullopt;
            char chunk[4096];
            const ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n <= 0) return std::nullopt;
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }
    void kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
};

class AutosaveKillTest : public EditorTest {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }
    void SetUp() override {
        dir = fs::temp_directory_path() / ("movalux-kill-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        movie = (dir / "clip.avi").string();
        MovieWriterOptions o;
        o.width = 32;
        o.height = 24;
        o.videoCodec = "mpeg4";
        auto writer = MovieWriter::create(movie, o);
        ASSERT_TRUE(writer) << writer.error();
        Surface s(32, 24);
        for (int n = 0; n < 300; ++n) {
            drawTestFrame(s, n);
            ASSERT_TRUE((*writer)->writeFrame(s));
        }
        ASSERT_TRUE((*writer)->finish());
        if (const char* old = std::getenv("XDG_STATE_HOME")) oldStateHome = old;
    }
    void TearDown() override {
        if (oldStateHome)
            ::setenv("XDG_STATE_HOME", oldStateHome->c_str(), 1);
        else
            ::unsetenv("XDG_STATE_HOME");
        fs::remove_all(dir);
    }

    fs::path dir;
    std::string movie;
    std::optional<std::string> oldStateHome;
};

TEST_F(AutosaveKillTest, AProjectKilledMidWorkIsOfferedAsItsLastAutosave) {
    std::mt19937 rng(20240515);
    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const fs::path state = dir / ("state" + std::to_string(round));
        const fs::path expected = dir / ("expected" + std::to_string(round));
        fs::create_directories(expected);
        const std::string editFile = (dir / ("project" + std::to_string(round) + ".txt")).string();
        Child child(
            {MOVALUX_AUTOSAVE_CHILD, movie, expected.string(), editFile, std::to_string(round + 1)},
            state.string());
        ASSERT_TRUE(child.running());

        // Let it write a few times, then kill it at some moment of its work:
        // editing, copying the project, or in the middle of a write.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        std::vector<uint64_t> submitted;
        std::optional<uint64_t> written;
        int writes = 0;
        // Takes in one line of the child's; the word it began with.
        auto take = [&](const std::string& line) {
            std::istringstream words(line);
            std::string word;
            uint64_t at = 0;
            words >> word >> at;
            if (word == "submit") submitted.push_back(at);
            if (word == "written") {
                written = at;
                ++writes;
            }
            return word;
        };
        while (writes < 3 + round) {
            const auto l = child.line(deadline);
            ASSERT_TRUE(l.has_value())
                << "the child wrote " << writes << " times before it stopped talking";
            take(*l);
        }
        // While it runs, no one else may take its project for left behind.
        ::setenv("XDG_STATE_HOME", state.c_str(), 1);
        {
            RecoveryStore look(defaultRecoveryFolder());
            EXPECT_TRUE(look.listAbandoned().empty());
        }
        if (round % 3 == 0) {
            // The moment a write's temporary file shows: in the middle of it.
            const std::string folder = defaultRecoveryFolder();
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            bool midWrite = false;
            while (!midWrite && std::chrono::steady_clock::now() < until) {
                std::error_code ec;
                for (const auto& e : fs::directory_iterator(folder, ec)) {
                    const std::string n = e.path().filename().string();
                    if (n[0] == '.' && n.find(".txt.") != std::string::npos) midWrite = true;
                }
            }
        } else if (round % 3 == 1) {
            // Right after a write was asked for: while it is made or written,
            // most likely.
            for (;;) {
                const auto l = child.line(deadline);
                ASSERT_TRUE(l.has_value());
                if (take(*l) == "submit") break;
            }
        } else {
            ::usleep(static_cast<useconds_t>(rng() % 20000));
        }
        child.kill();
        while (const auto l =
                   child.line(std::chrono::steady_clock::now() + std::chrono::milliseconds(200)))
            take(*l);
        ASSERT_TRUE(written.has_value());

        // The next start.
        RecordingHost startHost;
        RecordingPanel startPanel;
        Editor next(startHost, startPanel);
        next.enableAutosave(defaultRecoveryFolder());
        startHost.queueAnswer(msgbox::kAnswerYes);
        next.offerRecovery();
        ASSERT_FALSE(startHost.messages.empty());
        EXPECT_EQ(startHost.messages[0].text,
                  "前回終了時に保存されていない作業があります。復元しますか？");
        ASSERT_EQ(next.MvOpen, kTrue)
            << (startHost.messages.size() > 1 ? startHost.messages[1].text : "");

        // Exactly the last state written, or one whose write was asked for
        // after it and reached the disk before the kill, or before the child
        // could say so.
        const std::string recovered = editFileText(next.editFileContent());
        const std::string raw = slurp(next.autosave()->store().textPath());
        std::vector<uint64_t> candidates{*written};
        for (uint64_t s : submitted)
            if (s > *written) candidates.push_back(s);
        bool matched = false;
        for (uint64_t c : candidates) {
            const std::string want = slurp(expected / (std::to_string(c) + ".txt"));
            ASSERT_FALSE(want.empty());
            if (recovered == want) {
                EXPECT_EQ(raw, want) << "the file itself is that state";
                matched = true;
            }
        }
        EXPECT_TRUE(matched) << "recovered a state that was not the last autosave (" << *written
                             << ")";
        EXPECT_EQ(next.EdSaved, kFalse);
        EXPECT_EQ(next.EdFName, editFile);
        EXPECT_FALSE(fs::exists(editFile)) << "recovery never writes the user's edit file";

        // Closing without saving lets it go for good.
        startHost.queueAnswer(msgbox::kAnswerNo);
        EXPECT_TRUE(next.Form_Unload());
        std::vector<std::string> left;
        for (const auto& e : fs::directory_iterator(defaultRecoveryFolder()))
            left.push_back(e.path().filename().string());
        EXPECT_TRUE(left.empty()) << left.front();
    }
}

}  // namespace
}  // namespace movalux::test
