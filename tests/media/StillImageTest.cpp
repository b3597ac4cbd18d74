#include "media/StillImage.h"

#include "media/AsyncStillWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/EditorFixture.h"

namespace movalux {
namespace {

namespace fs = std::filesystem;

class StillImageTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("movalux-still-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const char* name) const { return (dir / name).string(); }
    fs::path dir;
};

TEST_F(StillImageTest, BmpAndPngRoundTripExactly) {
    const Surface pic = test::patternPicture(37, 21);  // odd width: padded BMP rows
    for (const char* name : {"a.bmp", "a.png", "UPPER.PNG"}) {
        ASSERT_TRUE(writeStillImage(pic, path(name))) << name;
        auto back = readStillImage(path(name));
        ASSERT_TRUE(back) << back.error();
        ASSERT_EQ(back->width(), 37);
        ASSERT_EQ(back->height(), 21);
        EXPECT_TRUE(std::equal(back->pixels().begin(), back->pixels().end(), pic.pixels().begin())) << name;
    }
    EXPECT_FALSE(fs::exists(path("a.bmp.part")));
}

TEST_F(StillImageTest, MissingOrDamagedFilesGiveAnError) {
    auto missing = readStillImage(path("nothing.png"));
    ASSERT_FALSE(missing);
    EXPECT_NE(missing.error().find("not found"), std::string::npos);
    std::ofstream(path("junk.png")) << "this is not a picture";
    EXPECT_FALSE(readStillImage(path("junk.png")));
    EXPECT_FALSE(readStillImage(dir.string()));  // a folder
}

TEST_F(StillImageTest, WritingRefusesOtherFormatsAndUnwritablePlaces) {
    const Surface pic(4, 4);
    EXPECT_FALSE(writeStillImage(pic, path("a.tif")));
    EXPECT_FALSE(writeStillImage(pic, path("no/such/folder/a.png")));
    EXPECT_FALSE(writeStillImage(Surface(), path("empty.png")));
}

TEST_F(StillImageTest, AFailedWriteLeavesTheOldFileAlone) {
    const Surface pic = test::patternPicture(8, 8);
    ASSERT_TRUE(writeStillImage(pic, path("keep.png")));
    const auto size = fs::file_size(path("keep.png"));
    EXPECT_FALSE(writeStillImage(Surface(), path("keep.png")));
    EXPECT_EQ(fs::file_size(path("keep.png")), size);
}

TEST_F(StillImageTest, JpegAndGifAreWrittenCloseToThePicture) {
    // 40 wide, a width that is not a multiple of 16: reading such a 4:2:0
    // JPEG once wrote past the end of the picture.
    Surface pic(40, 24);
    for (int y = 0; y < 24; ++y)
        for (int x = 20; x < 40; ++x) pic.setPixel(x, y, rgb(200, 0, 0));
    for (const char* name : {"a.jpg", "a.JPEG", "a.gif"}) {
        ASSERT_TRUE(writeStillImage(pic, path(name))) << name;
        auto back = readStillImage(path(name));
        ASSERT_TRUE(back) << name << back.error();
        ASSERT_EQ(back->width(), 40);
        ASSERT_EQ(back->height(), 24);
        // Lossy, but each half keeps its colour.
        const uint32_t left = back->pixel(5, 12), right = back->pixel(30, 12);
        EXPECT_GT(left & 0xFF, 200u) << name;
        EXPECT_GT((right >> 16) & 0xFF, 150u) << name;
        EXPECT_LT(right & 0xFF, 80u) << name;
    }
    EXPECT_EQ(stillFormatOf("x/A.GIF"), StillFormat::Gif);
    EXPECT_EQ(stillFormatOf("x/a.jpeg"), StillFormat::Jpeg);
    EXPECT_FALSE(stillFormatOf("x/a.bmp.part"));
}

TEST_F(StillImageTest, AGivenFormatRulesOverTheNameAndFailuresGiveTheSystemError) {
    const Surface pic = test::patternPicture(9, 5);
    ASSERT_TRUE(writeStillImage(pic, path("frame.dat"), StillFormat::Png));
    auto back = readStillImage(path("frame.dat"));
    ASSERT_TRUE(back) << back.error();
    EXPECT_TRUE(std::equal(back->pixels().begin(), back->pixels().end(), pic.pixels().begin()));
    int err = -1;
    EXPECT_FALSE(writeStillImage(pic, path("none/frame.bmp"), StillFormat::Bmp, &err));
    EXPECT_EQ(err, ENOENT);
    err = -1;
    ASSERT_TRUE(writeStillImage(pic, path("ok.bmp"), StillFormat::Bmp, &err));
    EXPECT_EQ(err, 0);
}

TEST_F(StillImageTest, TheAsyncWriterWritesEveryPictureAndReportsTheFirstFailure) {
    {
        AsyncStillWriter writer(2, 2);
        Surface pic = test::patternPicture(16, 8);
        for (int i = 0; i < 12; ++i) {
            pic.setPixel(0, 0, rgb(i, i, i));  // each copy is taken when submitted
            ASSERT_TRUE(writer.submit(pic, path(("p" + std::to_string(i) + ".png").c_str()),
                                      StillFormat::Png));
        }
        ASSERT_TRUE(writer.finish());
        EXPECT_EQ(writer.written(), 12);
        for (int i = 0; i < 12; ++i) {
            auto back = readStillImage(path(("p" + std::to_string(i) + ".png").c_str()));
            ASSERT_TRUE(back);
            EXPECT_EQ(back->pixel(0, 0), rgb(i, i, i));
            EXPECT_EQ(back->pixel(1, 0), pic.pixel(1, 0));
        }
    }
    AsyncStillWriter writer(2, 1);
    const Surface pic = test::patternPicture(4, 4);
    ASSERT_TRUE(writer.submit(pic, path("good.bmp"), StillFormat::Bmp));
    ASSERT_TRUE(writer.submit(pic, path("no/such/bad.bmp"), StillFormat::Bmp));
    EXPECT_FALSE(writer.finish());
    // Nothing is queued after a failure.
    EXPECT_FALSE(writer.submit(pic, path("late.bmp"), StillFormat::Bmp));
    EXPECT_FALSE(writer.finish());
    EXPECT_FALSE(fs::exists(path("late.bmp")));
    EXPECT_EQ(writer.failedPath(), path("no/such/bad.bmp"));
    EXPECT_EQ(writer.failedSystemError(), ENOENT);
    EXPECT_TRUE(fs::exists(path("good.bmp")));
}

}  // namespace
}  // namespace movalux
