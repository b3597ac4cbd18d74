#include "media/StillImage.h"

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
    EXPECT_FALSE(writeStillImage(pic, path("a.jpg")));
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

}  // namespace
}  // namespace movalux
