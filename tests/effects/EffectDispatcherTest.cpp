#include "effects/EffectDispatcher.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "effects/MozaikModule1.h"
#include "support/EditorFixture.h"

namespace movalux {
namespace {

struct Call {
    int16_t kouka;
    int16_t doNom;
};

class ProbeModule : public EffectModule {
public:
    explicit ProbeModule(int32_t answer) : answer(answer) {}
    int32_t answer;
    bool fail = false;
    std::vector<Call> calls;

protected:
    int32_t handle(EffArgs& args) override {
        calls.push_back({args.KoukaNom, args.DoNom});
        if (fail) throw std::runtime_error("trapped");
        args.Shift = 42;  // answers travel back through the arguments
        args.ResName = "11picture.bmp";
        return answer;
    }
};

class DispatcherTest : public test::EditorTest {};

TEST_F(DispatcherTest, NumbersWithoutAModuleReachNothingAndKeepTheLastResult) {
    ProbeModule probe(5);
    editor.registerModule(kouka::kArrow, &probe);
    editor.jumpEffValues(kouka::kArrow, cmd::kPanel);
    ASSERT_EQ(editor.EffResult, 5);
    for (int16_t n : {0, -1, -300, 12, 19, 21, 29, 31, 100, 25}) {
        EXPECT_EQ(editor.jumpEffValues(n, cmd::kPanel), 5) << n;
        EXPECT_EQ(editor.EffResult, 5);
    }
    EXPECT_EQ(probe.calls.size(), 1u);
}

TEST_F(DispatcherTest, ModulesSeeTheirNumberAndAnswerThroughTheArguments) {
    ProbeModule probe(7);
    editor.registerModule(kouka::kInvert, &probe);
    int16_t button = 1, shift = 0;
    float x = 0, y = 0;
    int32_t a = 0, b = 0;
    EXPECT_EQ(editor.JumpEff(kouka::kInvert, cmd::kParam, button, shift, x, y, a, b), 7);
    EXPECT_EQ(shift, 42);
    EXPECT_EQ(editor.ResName, "11picture.bmp");
    ASSERT_EQ(probe.calls.size(), 1u);
    EXPECT_EQ(probe.calls[0].kouka, kouka::kInvert);
    EXPECT_EQ(probe.calls[0].doNom, cmd::kParam);
}

TEST_F(DispatcherTest, TypeThirtyStopsWhenPictureTwoAnswersZero) {
    ProbeModule pict2(0), movie(3);
    editor.registerModule(kouka::kPicture2, &pict2);
    editor.registerModule(kouka::kMovie, &movie);
    editor.EffResult = 8;
    EXPECT_EQ(editor.jumpEffValues(kouka::kPicture2ThenMovie, cmd::kResQuery, 4), 0);
    EXPECT_EQ(editor.EffResult, 0);
    ASSERT_EQ(pict2.calls.size(), 1u);
    EXPECT_EQ(pict2.calls[0].kouka, kouka::kPicture2);  // not 30
    EXPECT_TRUE(movie.calls.empty());
}

TEST_F(DispatcherTest, TypeThirtyGoesOnToTheMovieWhenPictureTwoAnswersNonZero) {
    ProbeModule pict2(1), movie(3);
    editor.registerModule(kouka::kPicture2, &pict2);
    editor.registerModule(kouka::kMovie, &movie);
    EXPECT_EQ(editor.jumpEffValues(kouka::kPicture2ThenMovie, cmd::kResQuery, 4), 3);
    EXPECT_EQ(editor.EffResult, 3);
    ASSERT_EQ(movie.calls.size(), 1u);
    EXPECT_EQ(movie.calls[0].kouka, kouka::kMovie);
}

TEST_F(DispatcherTest, TypeThirtyWithoutPictureTwoReachesNothing) {
    editor.registerModule(kouka::kPicture2, nullptr);
    editor.EffResult = 6;
    EXPECT_EQ(editor.jumpEffValues(kouka::kPicture2ThenMovie, cmd::kResQuery, 0), 6);
}

TEST_F(DispatcherTest, ATrappedErrorAnswers99AndKeepsTheStateReached) {
    ProbeModule probe(1);
    probe.fail = true;
    editor.registerModule(kouka::kZoom, &probe);
    EXPECT_EQ(editor.jumpEffValues(kouka::kZoom, cmd::kRender), kTrappedError);
    EXPECT_EQ(editor.EffResult, kTrappedError);
}

TEST_F(DispatcherTest, CommandFourAndUnknownCommandsReachTheMosaicAndDoNothing) {
    openPicture(test::patternPicture(40, 30));
    editor.jumpEffValues(kouka::kMosaic, cmd::kPanel, 0, 0, 1.0f);
    const size_t changes = panel.changes.size();
    const Surface before = editor.PictMain();
    for (int16_t c : {4, 10, 11, 12, 20, 21, 22, 99, 1000}) {
        EXPECT_EQ(editor.jumpEffValues(kouka::kMosaic, c, 1, 1, 5, 5), 0) << c;
    }
    EXPECT_EQ(panel.changes.size(), changes);
    EXPECT_TRUE(std::equal(before.pixels().begin(), before.pixels().end(), editor.PictMain().pixels().begin()));
    EXPECT_EQ(editor.jumpEffValues(kouka::kMosaic, cmd::kHokan, 2), 1);
}

}  // namespace
}  // namespace movalux
