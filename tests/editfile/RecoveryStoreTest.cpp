// The recovery folder: where it is, one id and lock per editor, whole-file
// writes, and which projects count as left by an editor no longer running.

#include "editfile/RecoveryStore.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace movalux {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Sets an environment variable for the life of the object.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

class RecoveryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("movalux-recovery-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        folder = (dir / "state" / "movalux" / "recovery").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    std::vector<std::string> names() const {
        std::vector<std::string> out;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(folder, ec))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }

    // A project as an editor that has ended leaves it: the files stay, the
    // lock is gone with the process.
    std::string leftBehind(const std::string& text, const RecoveryInfo& info) {
        RecoveryStore gone(folder);
        EXPECT_TRUE(gone.write(text, info));
        return gone.id();
    }

    fs::path dir;
    std::string folder;
};

TEST_F(RecoveryStoreTest, TheFolderFollowsXdgStateHomeOrFallsBackToLocalState) {
    {
        ScopedEnv state("XDG_STATE_HOME", "/somewhere/state");
        EXPECT_EQ(defaultRecoveryFolder(), "/somewhere/state/movalux/recovery");
    }
    ScopedEnv home("HOME", "/home/someone");
    {
        ScopedEnv state("XDG_STATE_HOME", nullptr);
        EXPECT_EQ(defaultRecoveryFolder(), "/home/someone/.local/state/movalux/recovery");
    }
    {
        // XDG ignores a relative path there.
        ScopedEnv state("XDG_STATE_HOME", "relative/state");
        EXPECT_EQ(defaultRecoveryFolder(), "/home/someone/.local/state/movalux/recovery");
    }
}

TEST_F(RecoveryStoreTest, AWriteMakesAPrivateFolderAndReplacesTheTextWhole) {
    RecoveryStore store(folder);
    EXPECT_EQ(store.textPath(), "");
    ASSERT_TRUE(store.write(
        "first text", RecoveryInfo{"/home/u/project.txt", "/home/u/project-1.avi", "/m.avi", 0}));
    const std::string id = store.id();
    EXPECT_EQ(store.textPath(), folder + "/" + id + ".txt");
    EXPECT_EQ(slurp(store.textPath()), "first text");
    EXPECT_EQ((fs::status(folder).permissions() & fs::perms::all), fs::perms::owner_all);
    const RecoveryInfo info = parseRecoveryInfo(slurp(folder + "/" + id + ".info"));
    EXPECT_EQ(info.editFile, "/home/u/project.txt");
    EXPECT_EQ(info.recordFile, "/home/u/project-1.avi");
    EXPECT_EQ(info.movie, "/m.avi");
    EXPECT_GT(info.savedAt, 0);

    ASSERT_TRUE(store.write("second", RecoveryInfo{}));
    EXPECT_EQ(store.id(), id);
    EXPECT_EQ(slurp(store.textPath()), "second");
    // Nothing but the project, its info and the lock: no temporary file stays.
    EXPECT_EQ(names(), (std::vector<std::string>{id + ".info", id + ".lock", id + ".txt"}));
}

TEST_F(RecoveryStoreTest, TwoEditorsAtOnceNeverShareAFile) {
    RecoveryStore a(folder), b(folder);
    ASSERT_TRUE(a.write("a", RecoveryInfo{}));
    ASSERT_TRUE(b.write("b", RecoveryInfo{}));
    EXPECT_NE(a.id(), b.id());
    EXPECT_EQ(slurp(a.textPath()), "a");
    EXPECT_EQ(slurp(b.textPath()), "b");
    // Neither counts the other's project as left behind while both run.
    EXPECT_TRUE(a.listAbandoned().empty());
    EXPECT_TRUE(b.listAbandoned().empty());
}

TEST_F(RecoveryStoreTest, AProjectCountsAsLeftOnlyOnceItsEditorIsKilled) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        RecoveryStore store(folder);
        const bool ok = static_cast<bool>(
            store.write("unsaved work", RecoveryInfo{"/p/e.txt", "", "/p/m.avi", 0}));
        const char c = ok ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        for (;;) ::pause();  // until killed
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(c, 'y');

    RecoveryStore next(folder);
    EXPECT_TRUE(next.listAbandoned().empty()) << "its editor still runs";
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const auto left = next.listAbandoned();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(slurp(left[0].textPath), "unsaved work");
    EXPECT_EQ(left[0].info.editFile, "/p/e.txt");
    EXPECT_EQ(left[0].info.movie, "/p/m.avi");
    EXPECT_EQ(left[0].id.rfind(std::to_string(child) + "-", 0), 0u) << left[0].id;
}

TEST_F(RecoveryStoreTest, AListedProjectIsNotOfferedByASecondEditorUntilReleased) {
    leftBehind("left", RecoveryInfo{});
    RecoveryStore first(folder), second(folder);
    EXPECT_EQ(first.listAbandoned().size(), 1u);
    EXPECT_EQ(first.listAbandoned().size(), 1u) << "listing again keeps the claim";
    EXPECT_TRUE(second.listAbandoned().empty());
    first.releaseClaims();
    EXPECT_EQ(second.listAbandoned().size(), 1u);
}

TEST_F(RecoveryStoreTest, ListingIsNewestFirstAndClearsLeftoversOfEndedEditors) {
    const std::string older = leftBehind("older", RecoveryInfo{"/o.txt", "", "", 0});
    const std::string newer = leftBehind("newer", RecoveryInfo{"/n.txt", "", "", 0});
    // Make the order plain whatever the clock's resolution.
    std::ofstream(folder + "/" + older + ".info")
        << recoveryInfoText(RecoveryInfo{"/o.txt", "", "", 1000});
    std::ofstream(folder + "/" + newer + ".info")
        << recoveryInfoText(RecoveryInfo{"/n.txt", "", "", 2000});
    // A write cut short, and an editor that ended before it wrote anything.
    std::ofstream(folder + "/." + older + ".txt.Ab12Cd") << "half";
    { std::ofstream(folder + "/12345-deadbeef.lock"); }

    RecoveryStore store(folder);
    const auto left = store.listAbandoned();
    ASSERT_EQ(left.size(), 2u);
    EXPECT_EQ(left[0].id, newer);
    EXPECT_EQ(left[1].id, older);
    EXPECT_EQ(left[1].info.savedAt, 1000);
    for (const std::string& n : names()) {
        EXPECT_NE(n[0], '.') << n;
        EXPECT_NE(n, "12345-deadbeef.lock");
    }
}

TEST_F(RecoveryStoreTest, RemoveKeepsTheIdAndCloseGivesItUp) {
    RecoveryStore store(folder);
    ASSERT_TRUE(store.write("x", RecoveryInfo{}));
    const std::string id = store.id();
    store.remove();
    EXPECT_EQ(names(), (std::vector<std::string>{id + ".lock"}));
    ASSERT_TRUE(store.write("y", RecoveryInfo{}));
    EXPECT_EQ(store.id(), id);
    store.close();
    EXPECT_TRUE(names().empty());
    EXPECT_EQ(store.textPath(), "");
}

TEST_F(RecoveryStoreTest, AnAdoptedProjectBecomesTheEditorsOwn) {
    const std::string gone = leftBehind("left behind", RecoveryInfo{});
    RecoveryStore store(folder);
    ASSERT_TRUE(store.write("mine before", RecoveryInfo{}));
    const std::string mine = store.id();
    EXPECT_FALSE(store.adopt(gone)) << "only a listed project can be adopted";
    ASSERT_EQ(store.listAbandoned().size(), 1u);
    ASSERT_TRUE(store.adopt(gone));
    EXPECT_EQ(store.id(), gone);
    EXPECT_EQ(names(), (std::vector<std::string>{gone + ".info", gone + ".lock", gone + ".txt"}));
    ASSERT_TRUE(store.write("recovered and edited", RecoveryInfo{}));
    EXPECT_EQ(slurp(folder + "/" + gone + ".txt"), "recovered and edited");
    // Another editor does not offer it: this one runs with it.
    RecoveryStore other(folder);
    EXPECT_TRUE(other.listAbandoned().empty());
    (void)mine;
}

// Declined work goes two weeks after it was declined, never work the user
// has not declined, however old; a discarded entry leaves no file.
TEST_F(RecoveryStoreTest, DeclinedWorkGoesAfterTwoWeeksAndOnlyDeclinedWork) {
    const std::string old = leftBehind("old, never declined", RecoveryInfo{"a.txt", "", "", 0});
    const std::string declined = leftBehind("declined", RecoveryInfo{"b.txt", "", "", 0});
    const std::string other = leftBehind("to discard", RecoveryInfo{"c.txt", "", "", 0});
    const int64_t now = 1'800'000'000;
    RecoveryStore store(folder);
    ASSERT_EQ(store.listAbandoned(now).size(), 3u);
    EXPECT_FALSE(store.markDeclined("not-listed", now));
    ASSERT_TRUE(store.markDeclined(declined, now));
    ASSERT_TRUE(store.discard(other));
    store.releaseClaims();
    std::vector<std::string> both{declined + ".info", declined + ".lock", declined + ".txt",
                                  old + ".info",      old + ".lock",      old + ".txt"};
    std::sort(both.begin(), both.end());
    EXPECT_EQ(names(), both);
    const auto within = store.listAbandoned(now + kDeclinedKeepSeconds);
    ASSERT_EQ(within.size(), 2u);
    for (const RecoveryEntry& e : within)
        EXPECT_EQ(e.info.declinedAt, e.id == declined ? now : 0) << e.id;
    store.releaseClaims();
    const auto after = store.listAbandoned(now + kDeclinedKeepSeconds + 1);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].id, old);
    store.releaseClaims();
    EXPECT_EQ(names(), (std::vector<std::string>{old + ".info", old + ".lock", old + ".txt"}));
}

TEST_F(RecoveryStoreTest, InfoKeepsAnyPath) {
    const RecoveryInfo info{"C:\\a\\b\nc.txt", "x=y\\z", "ムービー.avi", 42};
    const RecoveryInfo back = parseRecoveryInfo(recoveryInfoText(info));
    EXPECT_EQ(back.editFile, info.editFile);
    EXPECT_EQ(back.recordFile, info.recordFile);
    EXPECT_EQ(back.movie, info.movie);
    EXPECT_EQ(back.savedAt, 42);
}

TEST_F(RecoveryStoreTest, AFolderThatCannotBeMadeFailsTheWrite) {
    fs::create_directories(dir);
    std::ofstream(dir / "file") << "not a folder";
    RecoveryStore store((dir / "file" / "recovery").string());
    EXPECT_FALSE(store.write("x", RecoveryInfo{}));
    EXPECT_TRUE(store.listAbandoned().empty());
}

}  // namespace
}  // namespace movalux
