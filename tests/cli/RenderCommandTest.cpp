// movalux-cli render, sound and convert as a user runs them: the written
// movie's frames and effects, the progress line, a full disk, and the
// mistakes that end with a message.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "effects/MozaikModule1.h"
#include "effects/Surface.h"
#include "media/MediaLog.h"
#include "media/MovieSource.h"
#include "media/SectionWriter.h"
#include "media/StillImage.h"
#include "media/TestPattern.h"
#include "support/CliRunner.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;
using test::runCli;

std::string contents(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

class RenderCommandTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { quietMediaLog(); }
    void SetUp() override {
        ASSERT_EQ(setenv("XDG_CACHE_HOME", dir.path("cache").c_str(), 1), 0);
        movie = dir.path("clip.avi");
        auto made = runCli({"testmovie", movie, "--size", "64x48", "--frames", "24", "--sound"});
        ASSERT_EQ(made.status, 0) << made.output;
        // Marked 2..13, a mosaic on layer 1 at frames 4 and 5.
        std::ofstream(dir.path("e.txt"), std::ios::binary)
            << "\"MovaluxMovieFile96320\"\r\n\"" << movie << "\"\r\n2,13,0,23\r\n60\r\n"
            << "4,106,0,0,32,48,8,\"0\"\r\n5,106,0,0,32,48,8,\"0\"\r\n";
    }
    test::TempDir dir{"render"};
    std::string movie;
};

TEST_F(RenderCommandTest, RendersTheMarkedRangeWithEffectsSoundAndProgress) {
    auto r = runCli({"render", dir.path("e.txt"), dir.path("out.avi")});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("render: frame 12/12"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("fps"), std::string::npos);
    auto out = MovieSource::open(dir.path("out.avi"));
    ASSERT_TRUE(out);
    ASSERT_EQ((*out)->info().frameCount, 12);
    EXPECT_TRUE((*out)->info().hasSound);
    auto src = MovieSource::open(movie);
    ASSERT_TRUE(src);
    Surface written(64, 48), plain(64, 48);
    for (int n = 0; n < 12; ++n) {
        ASSERT_TRUE((*out)->paintFrame(n, written));
        ASSERT_TRUE((*src)->paintFrame(n + 2, plain));
        // The right half carries the bar code's cells untouched by the mosaic.
        EXPECT_EQ(readTestFrameNumber(written), n + 2);
        // The mosaic's blocks: within a block of 8 all pixels are equal.
        const bool mosaicked = n + 2 == 4 || n + 2 == 5;
        int differentInBlock = 0;
        for (int y = 8; y < 16; ++y)
            for (int x = 0; x < 8; ++x)
                differentInBlock +=
                    std::abs(redOf(written.pixel(x, y)) - redOf(written.pixel(0, 8))) > 24;
        if (mosaicked) {
            EXPECT_EQ(differentInBlock, 0) << "frame " << n + 2;
        } else {
            // Without an effect the picture is the source's, give or take the codec.
            double diff = 0;
            for (int y = 0; y < 48; ++y)
                for (int x = 0; x < 64; ++x)
                    diff += std::abs(greenOf(written.pixel(x, y)) - greenOf(plain.pixel(x, y)));
            EXPECT_LT(diff / (64 * 48), 12) << "frame " << n + 2;
        }
    }
    auto sound = measureSound(dir.path("out.avi"));
    ASSERT_TRUE(sound);
    EXPECT_NEAR(sound->seconds(), 12 / 25.0, 1 / 25.0);
}

TEST_F(RenderCommandTest, OptionsChooseRangeSpeedDirectionCodecAndContainer) {
    auto r = runCli({"render", dir.path("e.txt"), dir.path("o.mkv"), "--from", "3", "--to", "8",
                     "--speed", "200", "--reverse", "--no-sound", "--codec", "ffv1"});
    ASSERT_EQ(r.status, 0) << r.output;
    auto out = MovieSource::open(dir.path("o.mkv"));
    ASSERT_TRUE(out);
    EXPECT_FALSE((*out)->info().hasSound);
    std::vector<int32_t> frames;
    Surface pic(64, 48);
    for (int n = 0; n < (*out)->info().frameCount; ++n) {
        ASSERT_TRUE((*out)->paintFrame(n, pic));
        frames.push_back(readTestFrameNumber(pic));
    }
    EXPECT_EQ(frames, (std::vector<int32_t>{8, 6, 4}));

    EXPECT_EQ(runCli({"render", dir.path("e.txt"), dir.path("o.mkv")}).status, 1);  // exists
    EXPECT_EQ(runCli({"render", dir.path("e.txt"), dir.path("o.mov")}).status, 2);
    EXPECT_EQ(runCli({"render", dir.path("e.txt"), dir.path("q.avi"), "--quality", "101"}).status,
              2);
    EXPECT_EQ(runCli({"render", dir.path("e.txt"), dir.path("q.avi"), "--speed", "fast"}).status,
              2);
    auto range = runCli({"render", dir.path("e.txt"), dir.path("q.avi"), "--to", "99"});
    EXPECT_EQ(range.status, 1);
    EXPECT_NE(range.output.find("within frames 0 to 23"), std::string::npos) << range.output;
}

TEST_F(RenderCommandTest, RefusedCodecEndsWithTheOptionsMessage) {
    auto r = runCli({"render", dir.path("e.txt"), dir.path("x.avi"), "--codec", "libx265"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("オプションを設定して下さい"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(dir.path("x.avi")));
    auto folder = runCli({"render", dir.path("e.txt"), dir.path("nowhere/x.avi")});
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.output.find("書き込みエラー"), std::string::npos) << folder.output;
}

TEST_F(RenderCommandTest, AFullDiskEndsTheWriteWithoutACrashAndTouchesNothingElse) {
    const std::string before = contents(movie), edit = contents(dir.path("e.txt"));
    // 40 KiB may be written; each uncompressed picture takes 9 KiB.
    const std::string cmd = std::string("bash -c 'ulimit -f 40; exec \"") + MOVALUX_CLI +
                            "\" render \"" + dir.path("e.txt") + "\" \"" + dir.path("full.avi") +
                            "\" --codec rawvideo --no-sound' 2>&1";
    FILE* p = popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string output;
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) output.append(buf, n);
    const int status = pclose(p);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by a signal: " << output;
    EXPECT_EQ(WEXITSTATUS(status), 1) << output;
    EXPECT_NE(output.find("エラー13"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(dir.path("full.avi")));
    EXPECT_FALSE(fs::exists(dir.path("full.avi.part")));
    EXPECT_TRUE(contents(movie) == before);
    EXPECT_EQ(contents(dir.path("e.txt")), edit);
}

TEST_F(RenderCommandTest, SoundAndConvertWriteTheirRanges) {
    auto s =
        runCli({"sound", movie, dir.path("s.wav"), "--from", "0", "--to", "10", "--speed", "50"});
    ASSERT_EQ(s.status, 0) << s.output;
    EXPECT_EQ(contents(dir.path("s.wav")).substr(8, 4), "WAVE");
    auto length = measureSound(dir.path("s.wav"));
    ASSERT_TRUE(length);
    EXPECT_NEAR(length->seconds(), 0.8, 1e-3);

    auto c = runCli({"convert", movie, dir.path("c.avi"), "--from", "4", "--to", "9"});
    ASSERT_EQ(c.status, 0) << c.output;
    auto converted = MovieSource::open(dir.path("c.avi"));
    ASSERT_TRUE(converted);
    EXPECT_EQ((*converted)->info().codecName, "rawvideo");
    EXPECT_EQ((*converted)->info().frameCount, 5);
    Surface pic(64, 48);
    ASSERT_TRUE((*converted)->paintFrame(0, pic));
    EXPECT_EQ(readTestFrameNumber(pic), 4);

    auto silent = dir.path("silent.avi");
    ASSERT_EQ(runCli({"testmovie", silent, "--size", "64x48", "--frames", "5"}).status, 0);
    auto none = runCli({"sound", silent, dir.path("n.wav"), "--from", "0", "--to", "4"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("has no sound"), std::string::npos);
    EXPECT_EQ(runCli({"sound", movie, dir.path("n.wav"), "--from", "0"}).status, 2);
}

}  // namespace
}  // namespace movalux

namespace movalux {
namespace {

// Issue 18: jobs side by side, stopped half-way, failing after the pictures,
// writing over their own movie, and ranges the movie does not have.
class RenderHardeningTest : public RenderCommandTest {
  protected:
    // Runs movalux-cli with a shell prefix (ulimit); status and output.
    test::CliResult shell(const std::string& prefix, const std::vector<std::string>& args) {
        std::string cmd = "bash -c '" + prefix + " exec \"" + std::string(MOVALUX_CLI) + "\"";
        for (const auto& a : args) cmd += " \"" + a + "\"";
        cmd += "' 2>&1";
        FILE* p = popen(cmd.c_str(), "r");
        test::CliResult r{-1, {}};
        if (p == nullptr) return r;
        char buf[512];
        while (size_t n = fread(buf, 1, sizeof buf, p)) r.output.append(buf, n);
        const int status = pclose(p);
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }
    static std::vector<std::string> filesIn(const std::string& folder) {
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
            names.push_back(it->path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(RenderHardeningTest, AFailureWhileJoiningTheSoundFailsTheWholeWrite) {
    std::ofstream(dir.path("t.avi")) << "old";
    // Twelve uncompressed pictures take 110 KiB and their sound 85 KiB; the
    // movie with both, 195 KiB, does not fit under a 150 KiB file limit.
    auto r = shell("ulimit -f 150;", {"render", dir.path("e.txt"), dir.path("t.avi"), "--codec",
                                      "rawvideo", "--force"});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("音声データを書き込みできません"), std::string::npos) << r.output;
    EXPECT_TRUE(contents(dir.path("t.avi")) == "old");
    EXPECT_EQ(filesIn(dir.root()),
              (std::vector<std::string>{"cache", "clip.avi", "e.txt", "t.avi"}));
}

TEST_F(RenderHardeningTest, TheSourceMovieIsRefusedAsTheTargetEvenWithForce) {
    const std::string before = contents(movie);
    fs::create_directory(dir.path("sub"));
    auto r = runCli({"render", dir.path("e.txt"), dir.path("sub/../clip.avi"), "--force"});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("is the movie being read"), std::string::npos) << r.output;
    EXPECT_TRUE(contents(movie) == before);
    auto s =
        runCli({"sound", movie, dir.path("./clip.avi"), "--from", "0", "--to", "5", "--force"});
    EXPECT_EQ(s.status, 1) << s.output;
    EXPECT_TRUE(contents(movie) == before);
}

TEST_F(RenderHardeningTest, RangesAreCheckedAgainstTheMoviesRealLength) {
    // The edit file claims 100 frames of a movie cut after its 16th.
    const std::string whole = dir.path("whole.avi"), cut = dir.path("cut.avi");
    ASSERT_EQ(runCli({"testmovie", whole, "--size", "64x48", "--frames", "100", "--sound"}).status,
              0);
    {
        const std::string bytes = contents(whole);
        std::ofstream(cut, std::ios::binary) << bytes.substr(0, 120000);
    }
    auto probe = MovieSource::open(cut);
    ASSERT_TRUE(probe);
    const int have = (*probe)->info().frameCount;
    ASSERT_GT(have, 4);
    ASSERT_LT(have, 60);
    std::ofstream(dir.path("cut.txt"), std::ios::binary)
        << "\"MovaluxMovieFile96320\"\r\n\"" << cut << "\"\r\n0,99,0,99\r\n60\r\n";
    auto late =
        runCli({"render", dir.path("cut.txt"), dir.path("a.avi"), "--from", "60", "--to", "63"});
    EXPECT_EQ(late.status, 1) << late.output;
    EXPECT_NE(late.output.find("frames 60 to 63 are not in it"), std::string::npos) << late.output;
    auto across =
        runCli({"render", dir.path("cut.txt"), dir.path("b.avi"), "--from", "2", "--to", "30"});
    EXPECT_EQ(across.status, 1) << across.output;
    EXPECT_NE(across.output.find("frames " + std::to_string(have) + " to 30 are not in it"),
              std::string::npos)
        << across.output;
    EXPECT_FALSE(fs::exists(dir.path("a.avi")));
    EXPECT_FALSE(fs::exists(dir.path("b.avi")));
    auto fine =
        runCli({"render", dir.path("cut.txt"), dir.path("c.avi"), "--from", "0", "--to", "3"});
    EXPECT_EQ(fine.status, 0) << fine.output;
    EXPECT_NE(fine.output.find("frame 4/4"), std::string::npos) << fine.output;
}

TEST_F(RenderHardeningTest, CtrlCKeepsThePausedMovieWithItsSoundAndExits130) {
    // A long write: 300 frames, each written ten times.
    const std::string big = dir.path("big.avi");
    ASSERT_EQ(runCli({"testmovie", big, "--size", "320x240", "--frames", "300", "--sound"}).status,
              0);
    std::ofstream(dir.path("big.txt"), std::ios::binary)
        << "\"MovaluxMovieFile96320\"\r\n\"" << big << "\"\r\n0,299,0,299\r\n60\r\n";
    const std::string out = dir.path("paused.avi");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(fds[1], 2);
        close(fds[0]);
        execl(MOVALUX_CLI, MOVALUX_CLI, "render", dir.path("big.txt").c_str(), out.c_str(),
              "--speed", "10", "--codec", "ffv1", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string err;
    char buf[256];
    // The first progress line says the pictures are being written.
    while (err.find("render: frame") == std::string::npos) {
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        err.append(buf, static_cast<size_t>(n));
    }
    kill(pid, SIGINT);
    for (;;) {
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        err.append(buf, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << err;
    EXPECT_EQ(WEXITSTATUS(status), 130) << err;
    EXPECT_NE(err.find("paused after "), std::string::npos) << err;
    EXPECT_NE(err.find(" of 3000 frames"), std::string::npos) << err;
    auto written = MovieSource::open(out);
    ASSERT_TRUE(written) << err;
    EXPECT_GT((*written)->info().frameCount, 0);
    EXPECT_LT((*written)->info().frameCount, 3000);
    EXPECT_TRUE((*written)->info().hasSound);
}

TEST_F(RenderHardeningTest, TwoRendersAtOnceKeepTheirOwnSound) {
    // Two movies of different lengths rendered side by side, many times over:
    // each movie's sound is as long as its own pictures.
    const std::string other = dir.path("other.avi");
    ASSERT_EQ(runCli({"testmovie", other, "--size", "64x48", "--frames", "100", "--sound"}).status,
              0);
    std::ofstream(dir.path("o.txt"), std::ios::binary)
        << "\"MovaluxMovieFile96320\"\r\n\"" << other << "\"\r\n0,99,0,99\r\n60\r\n";
    for (int round = 0; round < 3; ++round) {
        const std::string a = dir.path("a" + std::to_string(round) + ".avi");
        const std::string b = dir.path("b" + std::to_string(round) + ".avi");
        const std::string cmd = "\"" + std::string(MOVALUX_CLI) + "\" render \"" +
                                dir.path("e.txt") + "\" \"" + a + "\" >/dev/null 2>&1 & \"" +
                                std::string(MOVALUX_CLI) + "\" render \"" + dir.path("o.txt") +
                                "\" \"" + b + "\" >/dev/null 2>&1; wait";
        ASSERT_EQ(std::system(("bash -c '" + cmd + "'").c_str()), 0);
        auto sa = measureSound(a), sb = measureSound(b);
        ASSERT_TRUE(sa);
        ASSERT_TRUE(sb);
        EXPECT_NEAR(sa->seconds(), 12 / 25.0, 1 / 25.0);
        EXPECT_NEAR(sb->seconds(), 100 / 25.0, 1 / 25.0);
    }
    EXPECT_EQ(filesIn(dir.path("cache/movalux/MXTemp")), std::vector<std::string>{});
}

TEST_F(RenderHardeningTest, LeftoversOfKilledJobsGoWhenTheNextJobStartsInTheirFolder) {
    // A job file of a process that no longer runs, and one of this process.
    const std::string stale = dir.path(".out.avi.mxjob-2147483600-0.part.avi");
    const std::string live = dir.path(".out.avi.mxjob-" + std::to_string(getpid()) + "-0.part.avi");
    std::ofstream(stale) << "left by a killed render";
    std::ofstream(live) << "a running job";
    auto r = runCli({"render", dir.path("e.txt"), dir.path("out.avi")});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(live));
    fs::remove(live);
    EXPECT_EQ(filesIn(dir.root()),
              (std::vector<std::string>{"cache", "clip.avi", "e.txt", "out.avi"}));
    EXPECT_EQ(filesIn(dir.path("cache/movalux/MXTemp")), std::vector<std::string>{});
}

TEST_F(RenderHardeningTest, MessagesNameTheTargetWithTheSystemsReason) {
    // A text file named as a movie is not a movie.
    std::ofstream(dir.path("text.avi")) << "this is only text\nnot a movie\n";
    std::ofstream(dir.path("t.txt"), std::ios::binary)
        << "\"MovaluxMovieFile96320\"\r\n\"" << dir.path("text.avi") << "\"\r\n0,3,0,3\r\n60\r\n";
    auto text = runCli({"frame", dir.path("t.txt"), "0", dir.path("f.png")});
    EXPECT_EQ(text.status, 1) << text.output;
    EXPECT_NE(text.output.find("この形式は読めません"), std::string::npos) << text.output;
    // A folder as the target is refused before the write starts.
    fs::create_directory(dir.path("folder.avi"));
    auto folder = runCli({"render", dir.path("e.txt"), dir.path("folder.avi"), "--force"});
    EXPECT_EQ(folder.status, 1) << folder.output;
    EXPECT_NE(folder.output.find("is a folder"), std::string::npos) << folder.output;
    EXPECT_EQ(folder.output.find("render: frame"), std::string::npos) << folder.output;
    // A full disk: the target's name and the system's reason.
    auto full = shell("ulimit -f 40;",
                      {"render", dir.path("e.txt"), dir.path("full.avi"), "--codec", "rawvideo"});
    EXPECT_EQ(full.status, 1) << full.output;
    EXPECT_NE(full.output.find("cannot write " + dir.path("full.avi") + ": File too large"),
              std::string::npos)
        << full.output;
    EXPECT_EQ(full.output.find(".mxjob-"), std::string::npos) << full.output;
    // FFmpeg's own lines only with --verbose.
    std::ofstream(dir.path("junk.avi")) << std::string(4096, '\x7f');
    auto quiet = runCli({"probe", dir.path("junk.avi")});
    auto verbose = runCli({"probe", dir.path("junk.avi"), "--verbose"});
    EXPECT_EQ(quiet.output.find("[avi @"), std::string::npos) << quiet.output;
    EXPECT_EQ(quiet.output.find("@ 0x"), std::string::npos) << quiet.output;
    EXPECT_GT(verbose.output.size(), quiet.output.size()) << verbose.output;
}

TEST_F(RenderHardeningTest, HokanOutsideTheTimelineNamesTheFrames) {
    auto r = runCli({"hokan", dir.path("e.txt"), dir.path("h.txt"), "--layer", "1", "--from", "20",
                     "--to", "30"});
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("frames 24 to 30 are outside the timeline (frames 0 to 23)"),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(fs::exists(dir.path("h.txt")));
}

}  // namespace
}  // namespace movalux

namespace movalux {
namespace {

// Regions with odd edges: the writer converts whole 2 x 2 colour pairs, so
// the pixel beside each odd edge must come from the frame being written.
// An earlier frame's pixels there showed as lines along the drawn area.
TEST(RenderAreaTest, OddRegionEdgesWriteNothingButTheFramesOwnPixels) {
    quietMediaLog();
    test::TempDir dir{"render-odd"};
    const std::string movie = dir.path("clip.avi");
    ASSERT_EQ(runCli({"testmovie", movie, "--size", "320x240", "--frames", "6"}).status, 0);
    // Two regions on one frame; the area drawn reaches odd columns and rows.
    const std::string records =
        "2,6,20,100,40,40,16,\"0\"\r\n2,106,200,20,50,50,16,\"0\"\r\n3,6,21,101,40,39,16,\"0\"\r\n";
    const std::string edit = dir.path("odd.txt");
    std::ofstream(edit, std::ios::binary)
        << "\"MovaluxMovieFile96320\"\r\n\"" << movie << "\"\r\n0,5,0,5\r\n60\r\n"
        << records;
    const std::string out = dir.path("odd.avi");
    auto r = runCli({"render", edit, out, "--codec", "ffv1", "--no-sound"});
    ASSERT_EQ(r.status, 0) << r.output;
    for (int f : {2, 3}) {
        const std::string written = dir.path("w" + std::to_string(f) + ".png");
        const std::string cmd = "ffmpeg -v error -i '" + out + "' -vf \"select=eq(n\\," +
                                std::to_string(f) + ")\" -vsync 0 -frames:v 1 -y '" + written + "'";
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        const std::string shown = dir.path("f" + std::to_string(f) + ".png");
        ASSERT_EQ(runCli({"frame", edit, std::to_string(f), shown}).status, 0);
        auto a = readStillImage(written);
        auto b = readStillImage(shown);
        ASSERT_TRUE(a && b);
        // The test movie is flat colour: the conversion to 4:2:0 and back
        // keeps every pixel within a few levels.
        int worst = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x)
                for (int shift : {0, 8, 16})
                    worst = std::max(worst,
                                     std::abs(static_cast<int>((a->pixel(x, y) >> shift) & 255) -
                                              static_cast<int>((b->pixel(x, y) >> shift) & 255)));
        EXPECT_LE(worst, 24) << "frame " << f;
    }
}

}  // namespace
}  // namespace movalux
