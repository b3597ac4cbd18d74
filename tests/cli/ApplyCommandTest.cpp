// movalux-cli apply, run as a user runs it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "effects/MozaikModule1.h"
#include "media/StillImage.h"
#include "support/CliRunner.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;

using CliRun = test::CliResult;

CliRun cli(const std::vector<std::string>& args) { return test::runCli(args); }

class ApplyCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("movalux-cli-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        picture = test::patternPicture(101, 67);
        ASSERT_TRUE(writeStillImage(picture, in()));
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string in() const { return (dir / "in.png").string(); }
    std::string out() const { return (dir / "out.png").string(); }
    Surface result() {
        auto r = readStillImage(out());
        EXPECT_TRUE(r) << r.error();
        return r ? *r : Surface();
    }
    static bool same(const Surface& a, const Surface& b) {
        return a.width() == b.width() && a.height() == b.height() &&
               std::equal(a.pixels().begin(), a.pixels().end(), b.pixels().begin());
    }
    fs::path dir;
    Surface picture;
};

TEST_F(ApplyCommandTest, DrawsLayersInOrderPixelExact) {
    CliRun r = cli({"apply", in(), out(), R"(35,206,20,10,64,48,16,"0")", R"(0,6,-5,-7,200,30,3,"1")"});
    ASSERT_EQ(r.status, 0) << r.output;
    Surface expect = picture;
    mosaicOutside(expect, -5, -7, 200, 30, 3);  // layer 0 first
    mosaicInside(expect, 20, 10, 64, 48, 16);   // then layer 2
    EXPECT_TRUE(same(result(), expect));
}

TEST_F(ApplyCommandTest, ALaterRecordForTheSameLayerReplacesTheEarlier) {
    CliRun r = cli({"apply", in(), out(), R"(0,6,0,0,50,50,4,"0")", R"(0,6,10,10,20,20,8,"0")"});
    ASSERT_EQ(r.status, 0) << r.output;
    Surface expect = picture;
    mosaicInside(expect, 10, 10, 20, 20, 8);
    EXPECT_TRUE(same(result(), expect));
}

TEST_F(ApplyCommandTest, UnknownEffectsAndLayerFourDrawNothingAndSaySo) {
    CliRun r = cli({"apply", in(), out(), R"(0,14,0,0,50,50,4,"0")", R"(0,406,0,0,50,50,4,"0")",
                 R"(0,0,0,0,1,1,1,"")"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("effect number 14"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("never drawn"), std::string::npos) << r.output;
    EXPECT_TRUE(same(result(), picture));
}

TEST_F(ApplyCommandTest, BadInputFailsWithAClearMessage) {
    CliRun usage = cli({"apply", in()});
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.output.find("usage"), std::string::npos);
    EXPECT_EQ(cli({}).status, 2);
    EXPECT_EQ(cli({"frobnicate"}).status, 2);

    CliRun missing = cli({"apply", (dir / "none.png").string(), out(), R"(0,6,0,0,5,5,8,"0")"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.output.find("not found"), std::string::npos);

    for (const char* bad : {R"(0,6,0,0,5,5,8)", R"(0,6,x,0,5,5,8,"0")", R"(0,6,0,0,5,5,99999,"0")",
                            R"(0,6,0,0,5,5,8,"0)", R"(0,506,0,0,5,5,8,"0")", R"(0,-150,0,0,5,5,8,"0")"}) {
        CliRun r = cli({"apply", in(), out(), bad});
        EXPECT_EQ(r.status, 1) << bad;
        EXPECT_FALSE(r.output.empty()) << bad;
    }
    EXPECT_FALSE(fs::exists(out()));
}

TEST_F(ApplyCommandTest, ARecordThatTheModuleRejectsLeavesThePictureAsItWas) {
    CliRun r = cli({"apply", in(), out(), R"(0,6,0,0,50,50,0,"0")"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(same(result(), picture));
}

TEST_F(ApplyCommandTest, ExistingOutputIsReplacedOnlyWithForce) {
    ASSERT_EQ(cli({"apply", in(), out(), R"(0,6,0,0,50,50,8,"0")"}).status, 0);
    CliRun again = cli({"apply", in(), out(), R"(0,6,0,0,50,50,16,"0")"});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.output.find("--force"), std::string::npos);
    ASSERT_EQ(cli({"apply", in(), out(), R"(0,6,0,0,50,50,16,"0")", "--force"}).status, 0);
    Surface expect = picture;
    mosaicInside(expect, 0, 0, 50, 50, 16);
    EXPECT_TRUE(same(result(), expect));
}

TEST_F(ApplyCommandTest, TestPictureWritesTheRequestedSize) {
    const std::string pic = (dir / "test.bmp").string();
    ASSERT_EQ(cli({"testpicture", pic, "--size", "33x17"}).status, 0);
    auto r = readStillImage(pic);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->width(), 33);
    EXPECT_EQ(r->height(), 17);
    EXPECT_EQ(cli({"testpicture", pic, "--size", "0x5", "--force"}).status, 2);
    EXPECT_EQ(cli({"testpicture", pic, "--size"}).status, 2);
}

}  // namespace
}  // namespace movalux
