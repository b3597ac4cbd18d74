// movalux-cli detect on movies made from a real photograph: every face it
// finds is hidden so well that the check finds nothing, in the edit file and
// in the movie written from it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "support/CliRunner.h"
#include "support/FfmpegReference.h"

namespace movalux {
namespace {

using test::runCli;

// The layers that hold records in an edit file, or their effects: a
// record's second field is its effect number plus a hundred times its layer.
std::set<int> layersIn(const std::string& path, bool effects = false) {
    std::ifstream in(path, std::ios::binary);
    std::string line;
    std::set<int> layers;
    for (int n = 0; std::getline(in, line); ++n) {
        if (n < 4) continue;  // the header: tag, movie, frames, rate
        std::istringstream fields(line);
        std::string frame, kind;
        if (std::getline(fields, frame, ',') && std::getline(fields, kind, ','))
            layers.insert(effects ? std::atoi(kind.c_str()) % 100 : std::atoi(kind.c_str()) / 100);
    }
    return layers;
}

class DetectCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        photo = test::samplePath("messi5.jpg");
        ASSERT_FALSE(photo.empty());
    }
    std::string makeMovie(const char* name, const std::string& filter, double seconds) {
        const std::string movie = dir.path(name);
        const std::string cmd = "ffmpeg -v error -loop 1 -i '" + photo + "' -filter_complex \"" +
                                filter + ",format=yuv420p\" -t " + std::to_string(seconds) +
                                " -r 25 -c:v mpeg4 -q:v 2 -bf 2 -y '" + movie + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return movie;
    }
    std::string editFile(const char* name, const std::string& movie, int last,
                         const std::string& records = "") {
        const std::string path = dir.path(name);
        std::ofstream(path, std::ios::binary) << "\"MovaluxMovieFile96320\"\r\n\"" << movie
                                              << "\"\r\n0," << last << ",0," << last << "\r\n60\r\n"
                                              << records;
        return path;
    }
    test::TempDir dir{"detect"};
    std::string photo;
};

TEST_F(DetectCommandTest, AFaceMovingAndGrowingIsHiddenInTheEditAndInTheWrittenMovie) {
    // The photograph grows by two fifths and pans over two seconds, with
    // B-frames.
    const std::string movie = makeMovie(
        "face.avi",
        "scale=w='548*(1+0.2*t)':h='342*(1+0.2*t)':eval=frame,pad=900:600:(ow-iw)/2:(oh-ih)/"
        "2,crop=480:300:'130+t*60':'110+t*30'",
        2);
    const std::string plain = editFile("plain.txt", movie, 49);
    auto r = runCli({"check", plain, "--faces"});
    ASSERT_EQ(r.status, 3) << r.output;
    ASSERT_NE(r.output.find("50 of 50 frames show a face"), std::string::npos) << r.output;

    const std::string hidden = dir.path("hidden.txt");
    r = runCli({"detect", plain, hidden, "--faces"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("face in frames 0 to 49"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("hidden on layer 0"), std::string::npos) << r.output;
    r = runCli({"check", hidden, "--faces"});
    EXPECT_EQ(r.status, 0) << r.output;

    // Written with its effects, the movie shows no face either. Lossless, so
    // that what is checked is the hiding, not the encoder's rounding (a lossy
    // encoder can bring back a borderline sighting in a coarse mosaic).
    const std::string written = dir.path("written.avi");
    r = runCli({"render", hidden, written, "--no-sound", "--codec", "ffv1"});
    ASSERT_EQ(r.status, 0) << r.output;
    r = runCli({"check", editFile("written.txt", written, 49), "--faces"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("no face found in frames 0 to 49"), std::string::npos) << r.output;

    // The existing output is kept unless told.
    r = runCli({"detect", plain, hidden, "--faces"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("--force"), std::string::npos) << r.output;
}

TEST_F(DetectCommandTest, MoreFacesAtOnceThanLayersShareALayerAndAreAllHidden) {
    // Five copies of the face side by side; layer 1 holds the user's arrow
    // over half of them, so three layers are free and two faces' regions join
    // others' on one layer, and it says so.
    const std::string movie = makeMovie(
        "five.avi",
        "[0]crop=140:140:195:40,split=5[a][b][c][d][e];[a][b][c][d][e]hstack=5,pad=720:180:10:20",
        0.4);
    // The user's own arrow on layer 1 over frames 0-4 stays as it is.
    std::string arrows;
    for (int f = 0; f < 5; ++f) arrows += std::to_string(f) + ",103,700,10,2,2,4,\"\"\r\n";
    const std::string plain = editFile("five.txt", movie, 9, arrows);
    const std::string out = dir.path("five-out.txt");
    auto r = runCli({"detect", plain, out, "--faces", "--layer", "2"});
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("2 of 5 faces share a layer with another"), std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("together with another"), std::string::npos) << r.output;
    // The chosen layer first, then the next ones round.
    EXPECT_EQ(layersIn(out), (std::set<int>{0, 1, 2, 3}));
    std::ifstream in(out, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (int f = 0; f < 5; ++f)
        EXPECT_NE(text.find(std::to_string(f) + ",103,700,10,2,2,4,\"\""), std::string::npos) << f;
    r = runCli({"check", out, "--faces"});
    EXPECT_EQ(r.status, 0) << r.output;
}

TEST_F(DetectCommandTest, APlateOnThePhotographIsHiddenWithTheEffectAsked) {
    // A number plate drawn in the photograph, moving right.
    const std::string font = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";
    const std::string movie =
        makeMovie("plate.avi",
                  "[0]pad=640:400:40:20,drawbox=x='60+t*120':y=300:w=260:h=56:color=black:t=fill,"
                  "drawbox=x='63+t*120':y=303:w=254:h=50:color=white:t=fill,"
                  "drawtext=fontfile=" +
                      font +
                      ":text='A 123 BC':fontsize=40:x='72+t*120':y=309,"
                      "drawbox=x='260+t*120':y=300:w=3:h=56:color=black:t=fill,"
                      "drawtext=fontfile=" +
                      font + ":text='77':fontsize=22:x='272+t*120':y=306",
                  1);
    const std::string plain = editFile("plate.txt", movie, 24);
    auto r = runCli({"check", plain, "--plates"});
    ASSERT_EQ(r.status, 3) << r.output;
    const std::string masked = dir.path("masked.txt");
    r = runCli({"detect", plain, masked, "--plates", "--effect", "2", "--param", "0"});
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("plate in frames 0 to 24"), std::string::npos) << r.output;
    r = runCli({"check", masked, "--plates"});
    EXPECT_EQ(r.status, 0) << r.output;
    // Every record is the effect asked for: a black rectangle mask.
    EXPECT_EQ(layersIn(masked, true), std::set<int>{2});
}

TEST_F(DetectCommandTest, MistakesEndWithAMessage) {
    const std::string movie = makeMovie("still.avi", "[0]scale=320:200", 0.2);
    const std::string e = editFile("e.txt", movie, 4);
    const std::string out = dir.path("o.txt");
    EXPECT_EQ(runCli({"detect", e, out}).status, 2);
    EXPECT_EQ(runCli({"detect", e, out, "--faces", "--plates"}).status, 2);
    EXPECT_EQ(runCli({"detect", e, out, "--faces", "--layer", "4"}).status, 2);
    // An effect that hides nothing, or one without its parameter.
    EXPECT_EQ(runCli({"detect", e, out, "--faces", "--effect", "3", "--param", "1"}).status, 2);
    EXPECT_EQ(runCli({"detect", e, out, "--faces", "--effect", "6"}).status, 2);
    auto r = runCli({"detect", e, out, "--faces", "--to", "9"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("(frames 0 to 4)"), std::string::npos) << r.output;
    r = runCli({"detect", dir.path("none.txt"), out, "--faces"});
    EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace movalux
