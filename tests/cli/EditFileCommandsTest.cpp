// movalux-cli resave and hokan on edit files whose movie is not here.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/CliRunner.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status;
    std::string output;
};

// The command line after the program name, split at blanks.
Outcome runCli(const std::string& args) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (pos < args.size()) {
        size_t next = args.find(' ', pos);
        if (next == std::string::npos) next = args.size();
        if (next > pos) words.push_back(args.substr(pos, next - pos));
        pos = next + 1;
    }
    auto r = movalux::test::runCli(words);
    return {r.status, r.output};
}

class EditFileCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("movalux-cli-edit-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const char* name) const { return (dir / name).string(); }
    static std::string slurp(const std::string& p) {
        std::ifstream in(p, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void spit(const std::string& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }
    fs::path dir;
};

const std::string kHead = "\"MovaluxMovieFile96320\"\r\n\"C:\\movies\\clip.avi\"\r\n0,20,0,20\r\n60\r\n";

TEST_F(EditFileCommandsTest, ResaveNormalisesTheTextAndKeepsEveryRecord) {
    // LF line ends, leading zeros and a CP932 text come back in the written form.
    spit(path("in.txt"), "\"MovaluxMovieFile96320\"\n\"C:\\movies\\clip.avi\"\n0,20,0,20\n60\n"
                         "3,106,0.5,-0.25,10.0,20,8,\"\x83\x7D\"\n4,401,1,2,3,4,50,\"1\"\n");
    Outcome r = runCli("resave " + path("in.txt") + " " + path("out.txt"));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(slurp(path("out.txt")), kHead + "3,106,.5,-.25,10,20,8,\"マ\"\r\n4,401,1,2,3,4,50,\"1\"\r\n");
    // Resaving the result changes nothing.
    ASSERT_EQ(runCli("resave " + path("out.txt") + " " + path("again.txt")).status, 0);
    EXPECT_EQ(slurp(path("out.txt")), slurp(path("again.txt")));
}

TEST_F(EditFileCommandsTest, ResaveRefusesDamagedOrForeignFilesAndExistingOutput) {
    spit(path("bad.txt"), kHead + "3,6,1,1,1,1,8,\"0\"\r\n30,6,1,1,1,1,8,\"0\"\r\n");
    Outcome damaged = runCli("resave " + path("bad.txt") + " " + path("o.txt"));
    EXPECT_EQ(damaged.status, 1);
    EXPECT_NE(damaged.output.find("6行目"), std::string::npos) << damaged.output;
    EXPECT_FALSE(fs::exists(path("o.txt")));

    spit(path("foreign.txt"), "\"SomethingElse\"\r\n");
    Outcome foreign = runCli("resave " + path("foreign.txt") + " " + path("o.txt"));
    EXPECT_EQ(foreign.status, 1);
    EXPECT_NE(foreign.output.find("Movaluxのファイルではありません"), std::string::npos);

    spit(path("ok.txt"), kHead);
    spit(path("o.txt"), "keep");
    EXPECT_EQ(runCli("resave " + path("ok.txt") + " " + path("o.txt")).status, 1);
    EXPECT_EQ(slurp(path("o.txt")), "keep");
    EXPECT_EQ(runCli("resave " + path("ok.txt") + " " + path("o.txt") + " --force").status, 0);
    EXPECT_EQ(runCli("resave " + path("ok.txt")).status, 2);
}

TEST_F(EditFileCommandsTest, HokanInterpolatesALayerBetweenKeyFrames) {
    spit(path("k.txt"), kHead + "0,106,10,0,40,40,0,\"0\"\r\n3,106,20,30,40,40,5,\"0\"\r\n");
    Outcome r = runCli("hokan " + path("k.txt") + " " + path("h.txt") + " --layer 1 --from 0 --to 3");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(slurp(path("h.txt")), kHead +
                                        "0,106,10,0,40,40,0,\"0\"\r\n"
                                        "1,106,13.33,10,40,40,2,\"0\"\r\n"
                                        "2,106,16.66,20,40,40,3,\"0\"\r\n"
                                        "3,106,20,30,40,40,5,\"0\"\r\n");
}

TEST_F(EditFileCommandsTest, HokanFadesInFromFullTransparency) {
    spit(path("f.txt"), kHead + "0,1,50,50,40,1,0,\"1\"\r\n4,1,50,50,40,1,70,\"1\"\r\n");
    Outcome r = runCli("hokan " + path("f.txt") + " " + path("g.txt") + " --layer 0 --from 0 --to 4 --fade in");
    ASSERT_EQ(r.status, 0) << r.output;
    const std::string text = slurp(path("g.txt"));
    for (const char* line : {"0,1,50,50,40,1,100,\"1\"", "1,1,50,50,40,1,92,\"1\"", "2,1,50,50,40,1,85,\"1\"",
                             "3,1,50,50,40,1,78,\"1\"", "4,1,50,50,40,1,70,\"1\""})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
}

TEST_F(EditFileCommandsTest, HokanWithoutEffectsAtTheKeyFramesFails) {
    spit(path("e.txt"), kHead + "0,106,10,0,40,40,0,\"0\"\r\n");
    Outcome r = runCli("hokan " + path("e.txt") + " " + path("x.txt") + " --layer 1 --from 0 --to 3");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("指定のコマは効果が指定されていません"), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(path("x.txt")));
    EXPECT_EQ(runCli("hokan " + path("e.txt") + " " + path("x.txt") + " --layer 4 --from 0 --to 3").status, 2);
    EXPECT_EQ(runCli("hokan " + path("e.txt") + " " + path("x.txt") + " --layer 1 --from 0").status, 2);
    EXPECT_EQ(runCli("hokan " + path("e.txt") + " " + path("x.txt") + " --layer 1 --from 0 --to 3 --fade up")
                  .status,
              2);
}

TEST_F(EditFileCommandsTest, ARecordOnALayerTheFormatCannotHoldIsReportedWithItsLine) {
    // Issue 18 item 3: layer 9 (code 906) on line 6 was dropped unseen.
    spit(path("l9.txt"), kHead + "0,106,10,0,40,40,0,\"0\"\r\n1,906,1,2,3,4,5,\"0\"\r\n");
    Outcome r = runCli("resave " + path("l9.txt") + " " + path("l9-out.txt"));
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("編集ファイルが壊れています。6行目から先は読み込まれませんでした"),
              std::string::npos)
        << r.output;
    EXPECT_FALSE(fs::exists(path("l9-out.txt")));
}

}  // namespace
