// The sample project that scripts/run opens: a street where the face, the
// number plate and the telephone number are already hidden, frame by frame.

#include <gtest/gtest.h>

#include <algorithm>
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
}

}  // namespace
}  // namespace movalux
