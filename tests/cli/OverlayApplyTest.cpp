// movalux-cli apply with the four overlays, and frame with a project that
// uses picture 2 and the movie.

#include <gtest/gtest.h>

#include <fstream>

#include "effects/ArrowModule1.h"
#include "media/StillImage.h"
#include "support/CliRunner.h"

namespace movalux {
namespace {

using test::runCli;

class OverlayApplyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        base = dir.path("base.png");
        ASSERT_TRUE(writeStillImage(Surface(160, 120, kGrey), base).ok());
        Surface pic(20, 10, rgb(0, 0, 250));
        for (int x = 0; x < 10; ++x)
            for (int y = 0; y < 10; ++y) pic.setPixel(x, y, kWhite);
        picture = dir.path("pic.bmp");
        ASSERT_TRUE(writeStillImage(pic, picture).ok());
        clip = dir.path("clip.avi");
        ASSERT_EQ(runCli({"testmovie", clip, "--size", "32x24", "--frames", "10"}).status, 0);
    }
    Surface read(const std::string& name) {
        auto r = readStillImage(dir.path(name));
        EXPECT_TRUE(r.ok()) << r.error();
        return r.ok() ? *r : Surface();
    }
    static constexpr uint32_t kGrey = 0xFF808080u;
    test::TempDir dir{"overlay-apply"};
    std::string base, picture, clip;
};

TEST_F(OverlayApplyTest, DrawsAllFourOverlaysOnTheirLayers) {
    const auto r = runCli({"apply", base, dir.path("out.png"), "0,3,20,20,2,2,4,\"\"",
                           "0,104,120,30,0,0,0,\"" + picture + "\"",
                           "0,211,10,60,40,-30,0,\"0000000099999999\"",
                           "0,320,80,70,64,48,0,\"0100000399999999\"", "--resource", "0=" + picture,
                           "--resource", "1=" + clip});
    ASSERT_EQ(r.status, 0) << r.output;
    const Surface out = read("out.png");
    ASSERT_EQ(out.width(), 160);
    EXPECT_EQ(out.pixel(20, 20) | kOpaque, kBlack);           // the arrow's tip
    EXPECT_EQ(out.pixel(12, 20) | kOpaque, rgb(255, 0, 0));   // its head, pointing right
    EXPECT_EQ(out.pixel(112, 27) | kOpaque, kGrey);           // white of the picture
    EXPECT_EQ(out.pixel(125, 27) | kOpaque, rgb(0, 0, 250));  // its blue half
    // Picture 2 upside down: the white left half is drawn (no key), the
    // rectangle reaches from y 60 up to y 30.
    EXPECT_EQ(out.pixel(12, 35) | kOpaque, kWhite);
    EXPECT_EQ(out.pixel(45, 35) | kOpaque, rgb(0, 0, 250));
    EXPECT_EQ(out.pixel(12, 62) | kOpaque, kGrey);
    EXPECT_NE(out.pixel(100, 90) | kOpaque, kGrey);  // the movie's frame 3
    EXPECT_EQ(out.pixel(150, 90) | kOpaque, kGrey);
}

TEST_F(OverlayApplyTest, RefusesWhatItCannotDraw) {
    auto r = runCli({"apply", base, dir.path("a.png"), "0,11,0,0,40,30,0,\"0500000099999999\""});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("--resource 5=PATH"), std::string::npos) << r.output;
    r = runCli(
        {"apply", base, dir.path("b.png"), "0,4,50,50,0,0,0,\"" + dir.path("gone.bmp") + "\""});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("ファイルが見つかりません　探しますか"), std::string::npos) << r.output;
    const std::string junk = dir.path("junk.avi");
    std::ofstream(junk) << "not a movie";
    r = runCli({"apply", base, dir.path("c.png"), "0,20,0,0,40,30,0,\"0000000099999999\"",
                "--resource", "0=" + junk});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot read " + junk), std::string::npos) << r.output;
    r = runCli({"apply", base, dir.path("d.png"), "0,11,0,0,4,3,0,\"0000000099999999\"",
                "--resource", "100=x"});
    EXPECT_EQ(r.status, 2);
}

TEST_F(OverlayApplyTest, FrameAndRenderDrawProjectsThroughTheirResourceLines) {
    const std::string mainMovie = dir.path("main.avi");
    ASSERT_EQ(runCli({"testmovie", mainMovie, "--size", "96x72", "--frames", "4"}).status, 0);
    auto project = [&](const std::string& pictureFile) {
        return "\"MovaluxMovieFile96320\"\r\n\"" + mainMovie + "\"\r\n0,3,0,3\r\n60\r\n" +
               "0,0,0,11,0,0,1,\"11" + pictureFile + "\"\r\n" + "0,0,1,20,0,0,1,\"20" + clip + "\"\r\n" +
               "1,11,0,0,40,20,0,\"0000000099999999\"\r\n" + "1,120,50,40,32,24,0,\"0100000599999999\"\r\n";
    };
    std::ofstream(dir.path("p.txt"), std::ios::binary) << project(picture);
    auto r = runCli({"frame", dir.path("p.txt"), "1", dir.path("f.png")});
    ASSERT_EQ(r.status, 0) << r.output;
    const Surface f = read("f.png");
    EXPECT_EQ(f.pixel(5, 5) | kOpaque, kWhite);           // picture 2's white half
    EXPECT_EQ(f.pixel(35, 5) | kOpaque, rgb(0, 0, 250));  // and its blue half
    r = runCli({"render", dir.path("p.txt"), dir.path("r.avi"), "--no-sound"});
    EXPECT_EQ(r.status, 0) << r.output;

    std::ofstream(dir.path("q.txt"), std::ios::binary) << project(dir.path("gone.bmp"));
    r = runCli({"frame", dir.path("q.txt"), "1", dir.path("g.png")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot read " + dir.path("gone.bmp")), std::string::npos) << r.output;
    r = runCli({"render", dir.path("q.txt"), dir.path("q.avi"), "--no-sound"});
    EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace movalux
