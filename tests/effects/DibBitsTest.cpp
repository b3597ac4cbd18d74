#include "effects/DibBits.h"

#include <gtest/gtest.h>

#include "support/EditorFixture.h"

namespace movalux {
namespace {

TEST(DibBits, HeaderAndRowsFollowTheBottomUpLayout) {
    DibBits bits;
    bits.allocate(5, 3);
    EXPECT_EQ(bits.header().biSize, 40);
    EXPECT_EQ(bits.header().biWidth, 5);
    EXPECT_EQ(bits.header().biHeight, 3);
    EXPECT_EQ(bits.header().biBitCount, 24);
    EXPECT_EQ(bits.header().biCompression, 0);
    EXPECT_EQ(bits.header().biSizeImage, 45);
    EXPECT_EQ(bits.stride(), 16);  // 15 bytes padded to 16

    Surface s(5, 3, kBlack);
    s.setPixel(1, 0, rgb(10, 20, 30));  // top row
    ASSERT_EQ(bits.getFrom(s), 3);
    const uint8_t* lastRow = bits.data() + 2 * bits.stride();  // row 2 is the top line
    EXPECT_EQ(lastRow[3], 30);  // blue first
    EXPECT_EQ(lastRow[4], 20);
    EXPECT_EQ(lastRow[5], 10);
}

TEST(DibBits, RoundTripIsExactAndSizeMismatchReadsNothing) {
    const Surface src = test::patternPicture(7, 4);
    DibBits bits;
    bits.allocate(7, 4);
    ASSERT_EQ(bits.getFrom(src), 4);
    Surface back(7, 4, kWhite);
    ASSERT_EQ(bits.setTo(back), 4);
    EXPECT_TRUE(std::equal(back.pixels().begin(), back.pixels().end(), src.pixels().begin()));

    Surface other(8, 4);
    EXPECT_EQ(bits.getFrom(other), 0);
    EXPECT_EQ(bits.setTo(other), 0);
    DibBits none;
    EXPECT_EQ(none.getFrom(src), 0);
}

}  // namespace
}  // namespace movalux
