// The sample project that scripts/run opens: a street where the face, the
// number plate and the telephone number are already hidden, frame by frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "effects/Surface.h"
#include "media/StillImage.h"
#include "support/CliRunner.h"

namespace movalux {
namespace {

using test::runCli;

std::string makeSample(const test::TempDir& dir) {
    const std::string cmd = std::string("'") + MOVALUX_SOURCE_DIR + "/scripts/make-sample' '" +
                            MOVALUX_CLI + "' '" + dir.root() + "'";
    FILE* p = popen(cmd.c_str(), "r");
    if (p == nullptr) return {};
    char line[4096] = {};
    std::string out;
    while (fgets(line, sizeof line, p) != nullptr) out += line;
    if (pclose(p) != 0) return {};
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

int darkest(const Surface& s, int x0, int y0, int x1, int y1) {
    int least = 255;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const uint32_t c = s.pixel(x, y);
            least = std::min({least, static_cast<int>(c & 255), static_cast<int>((c >> 8) & 255),
                              static_cast<int>((c >> 16) & 255)});
        }
    return least;
}

// Whether the shapes of `plain` can still be seen in `shown` inside a
// rectangle: the correlation of the two green channels, each less its mean
// over the rectangle. About 1 where the shapes show (a blur keeps them), near
// 0 where they are gone.
double shapeKept(const Surface& plain, const Surface& shown, int x0, int y0, int x1, int y1) {
    const auto green = [](const Surface& s, int x, int y) {
        return static_cast<double>((s.pixel(x, y) >> 8) & 255);
    };
    double ma = 0, mb = 0;
    const double n = static_cast<double>(x1 - x0) * (y1 - y0);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            ma += green(plain, x, y) / n;
            mb += green(shown, x, y) / n;
        }
    double ab = 0, aa = 0, bb = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const double a = green(plain, x, y) - ma, b = green(shown, x, y) - mb;
            ab += a * b;
            aa += a * a;
            bb += b * b;
        }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

TEST(SampleProjectTest, TheFaceThePlateAndTheSignAreHiddenWhereTheWindowOpens) {
    test::TempDir dir{"sample"};
    const std::string edit = makeSample(dir);
    ASSERT_FALSE(edit.empty());
    // The same frame without the edit's records: what is there to hide.
    std::ifstream in(edit, std::ios::binary);
    std::string header, line;
    for (int i = 0; i < 4 && std::getline(in, line); ++i) header += line + "\n";
    std::set<int> layers;
    while (std::getline(in, line)) layers.insert(std::stoi(line.substr(line.find(',') + 1)) / 100);
    EXPECT_EQ(layers, (std::set<int>{0, 1, 2, 3}));
    const std::string bare = dir.path("bare.txt");
    std::ofstream(bare, std::ios::binary) << header;

    // Frame 30, where the window opens: the face at (270, 150), the plate
    // at (366, 292), the sign at (440, 44)-(610, 96).
    ASSERT_EQ(runCli({"frame", edit, "30", dir.path("hidden.png")}).status, 0);
    ASSERT_EQ(runCli({"frame", bare, "30", dir.path("bare.png")}).status, 0);
    auto hidden = readStillImage(dir.path("hidden.png"));
    auto plain = readStillImage(dir.path("bare.png"));
    ASSERT_TRUE(hidden && plain);
    // The pupils, the plate's digits and the sign's dark top edge are gone
    // into blocks and blur.
    EXPECT_LT(darkest(*plain, 250, 140, 290, 152), 60);
    EXPECT_GT(darkest(*hidden, 250, 140, 290, 152), 60);
    EXPECT_LT(darkest(*plain, 372, 297, 450, 311), 40);
    EXPECT_GT(darkest(*hidden, 372, 297, 450, 311), 40);
    EXPECT_LT(darkest(*plain, 450, 44, 600, 47), 80);
    EXPECT_GT(darkest(*hidden, 450, 44, 600, 47), 80);
    // The telephone number cannot be read: no digit's shape is left in its
    // cell (digits 13 x 30 from (450, 56), every 19 pixels).
    for (int i = 0; i < 8; ++i) {
        const int x = 450 + i * 19;
        EXPECT_LT(shapeKept(*plain, *hidden, x, 56, x + 13, 86), 0.25) << "digit " << i;
    }
}

}  // namespace
}  // namespace movalux
