// Key-frame interpolation and fades on the editor, with an effect module that
// records the hook calls and answers as a test asks.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "effects/EffectModule.h"
#include "support/EditorFixture.h"

namespace movalux::test {
namespace {

constexpr const char* kNoKeyFrames = "最初と最後のフレームを指定してください";
constexpr const char* kNoEffect = "指定のコマは効果が指定されていません";

struct HookCall {
    int16_t button;
    int32_t a;
    int32_t b;
    bool operator==(const HookCall&) const = default;
};

// Answers the interpolation hook: 1 unless told otherwise per frame; on an
// answer of 0 it leaves a text of its own in ResName.
class HookModule : public EffectModule {
  public:
    std::vector<HookCall> calls;
    std::map<int32_t, int32_t> frameAnswers;  // by frame (b of the per-frame call)
    int32_t endAnswer = 1;

  protected:
    int32_t handle(EffArgs& args) override {
        if (args.DoNom != cmd::kHokan) return 0;
        calls.push_back({args.Button, args.a, args.b});
        switch (args.Button) {
            case 0: {
                args.ResName = "hook " + std::to_string(args.b);
                auto it = frameAnswers.find(args.b);
                return it == frameAnswers.end() ? 1 : it->second;
            }
            case 1:
                args.ResName = "hook end";
                return endAnswer;
            default:
                return 1;
        }
    }
};

class HokanTest : public EditorTest {
  protected:
    void SetUp() override {
        openPicture(patternPicture(8, 6), 30);  // frames 0..31
        editor.registerModule(kouka::kPicture2, &hook);
        editor.KoukaSel = kouka::kPicture2;
    }
    void keyFrames(const std::string& first, const std::string& second) {
        host.SetLabel("TextHSt", first);
        host.SetLabel("TextHEnd", second);
    }
    EffRec& rec(int32_t frame) { return editor.EffArr.at(editor.SelLay, frame); }

    HookModule hook;
};

TEST_F(HokanTest, GeometryRunsLinearlyAndIsCutDownToHundredths) {
    rec(0) = EffRec{6, 10, 0, 100, -5, 8, "0"};
    rec(3) = EffRec{6, 20, 9, 40, -15, 8, "0"};
    keyFrames("0", "3");
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(rec(1).X, 13.33f);
    EXPECT_EQ(rec(2).X, 16.66f);
    EXPECT_EQ(rec(1).Y, 3.0f);
    EXPECT_EQ(rec(2).Y, 6.0f);
    EXPECT_EQ(rec(1).W, 80.0f);
    EXPECT_EQ(rec(2).W, 60.0f);
    EXPECT_EQ(rec(1).H, -8.34f);
    EXPECT_EQ(rec(2).H, -11.67f);
    // The key frames keep everything.
    EXPECT_EQ(rec(0), (EffRec{6, 10, 0, 100, -5, 8, "0"}));
    EXPECT_EQ(rec(3), (EffRec{6, 20, 9, 40, -15, 8, "0"}));
    EXPECT_EQ(rec(4), EffRec{});
}

TEST_F(HokanTest, LevelsRoundHalvesToEven) {
    rec(0) = EffRec{6, 0, 0, 10, 10, 0, "0"};
    rec(4) = EffRec{6, 0, 0, 10, 10, 5, "0"};
    keyFrames("0", "4");
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(rec(1).Param, 1);
    EXPECT_EQ(rec(2).Param, 2);
    EXPECT_EQ(rec(3).Param, 4);

    rec(10) = EffRec{6, 0, 0, 10, 10, 30, "0"};
    rec(14) = EffRec{6, 0, 0, 10, 10, 70, "0"};
    keyFrames("10", "14");
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(rec(11).Param, 40);
    EXPECT_EQ(rec(12).Param, 50);
    EXPECT_EQ(rec(13).Param, 60);
}

TEST_F(HokanTest, KeyFramesTypedInReverseGiveTheSameResult) {
    const EffRec first{6, 10, 20, 30, 40, 0, "0"};
    const EffRec second{6, 17, -3, 31, 2, 9, "0"};
    rec(5) = first;
    rec(12) = second;
    keyFrames("5", "12");
    ASSERT_TRUE(editor.HokanEffect());
    std::vector<EffRec> inOrder = editor.EffArr.layerRecords(0);
    const auto callsInOrder = hook.calls;

    for (int32_t f = 6; f < 12; ++f) rec(f) = EffRec{};
    hook.calls.clear();
    keyFrames("12", "5");
    ASSERT_TRUE(editor.HokanEffect());
    std::vector<EffRec> reversed = editor.EffArr.layerRecords(0);
    EXPECT_EQ(reversed, inOrder);
    EXPECT_EQ(hook.calls, callsInOrder);
    EXPECT_EQ(editor.HokanRngST, 5);
    EXPECT_EQ(editor.HokanRngEND, 12);
}

TEST_F(HokanTest, BoxesAreReadAsNumbersRoundedHalfToEven) {
    rec(2) = EffRec{6, 0, 0, 10, 10, 0, "0"};
    rec(4) = EffRec{6, 0, 0, 10, 10, 20, "0"};
    keyFrames(" 2.5", "3.5 ");  // frames 2 and 4
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(rec(3).Param, 10);
    EXPECT_EQ(editor.HokanRngST, 2);
    EXPECT_EQ(editor.HokanRngEND, 4);
}

TEST_F(HokanTest, HookCallsBeginOnEveryFrameInOrderAndEnd) {
    rec(3) = EffRec{11, 0, 0, 10, 10, 0, "11000120"};
    rec(7) = EffRec{11, 0, 0, 10, 10, 0, "11000340.5"};
    keyFrames("7", "3");
    ASSERT_TRUE(editor.HokanEffect());
    const std::vector<HookCall> expected{{2, 120, 340}, {0, 3, 4}, {0, 3, 5}, {0, 3, 6}, {1, 3, 7}};
    EXPECT_EQ(hook.calls, expected);
}

TEST_F(HokanTest, AdjacentOrEqualKeyFramesChangeNothingBetweenButStillCallTheHookAndTakeASnapshot) {
    rec(3) = EffRec{6, 0, 0, 10, 10, 0, "0"};
    rec(4) = EffRec{6, 50, 50, 10, 10, 40, "0"};
    keyFrames("3", "4");
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(hook.calls, (std::vector<HookCall>{{2, 0, 0}, {1, 3, 4}}));
    EXPECT_EQ(editor.undo.UndoHist[0].code, undocode::kEffects);
    EXPECT_EQ(rec(3), (EffRec{6, 0, 0, 10, 10, 0, "0"}));
    EXPECT_EQ(rec(4), (EffRec{6, 50, 50, 10, 10, 40, "0"}));

    hook.calls.clear();
    editor.EffUndoErase();
    keyFrames("3", "3");
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(hook.calls, (std::vector<HookCall>{{2, 0, 0}, {1, 3, 3}}));
    EXPECT_EQ(editor.undo.UndoHist[0].code, undocode::kEffects);
    EXPECT_EQ(rec(3), (EffRec{6, 0, 0, 10, 10, 0, "0"}));
}

TEST_F(HokanTest, AnswerTwoKeepsTheFrameAsItWasBeforeTheInterpolation) {
    rec(0) = EffRec{11, 0, 0, 10, 10, 0, "first"};
    rec(2) = EffRec{9, 7, 7, 7, 7, 7, "was here"};
    rec(4) = EffRec{11, 40, 0, 10, 10, 40, "second"};
    hook.frameAnswers[2] = 2;
    keyFrames("0", "4");
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(rec(2), (EffRec{9, 7, 7, 7, 7, 7, "was here"}));
    EXPECT_EQ(rec(1), (EffRec{11, 10, 0, 10, 10, 10, "first"}));
    // The next frame carries the text of the frame before it as it ended up.
    EXPECT_EQ(rec(3), (EffRec{11, 30, 0, 10, 10, 30, "was here"}));
}

TEST_F(HokanTest, AnswerZeroTakesTheHookTextWhichTheNextFramesCarryOn) {
    rec(0) = EffRec{11, 0, 0, 10, 10, 0, "first"};
    rec(5) = EffRec{11, 0, 0, 10, 10, 0, "second"};
    hook.frameAnswers[2] = 0;
    hook.endAnswer = 0;
    keyFrames("0", "5");
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(rec(1).Text, "first");
    EXPECT_EQ(rec(2).Text, "hook 2");
    EXPECT_EQ(rec(3).Text, "hook 2");
    EXPECT_EQ(rec(4).Text, "hook 2");
    EXPECT_EQ(rec(5).Text, "hook end");  // only the second key frame's text can change
    EXPECT_EQ(rec(0).Text, "first");
}

TEST_F(HokanTest, AnEndAnswerOfTwoLeavesTheSecondKeyFrameAsItWas) {
    rec(0) = EffRec{11, 0, 0, 10, 10, 0, "first"};
    rec(2) = EffRec{11, 0, 0, 10, 10, 0, "second"};
    hook.endAnswer = 2;
    keyFrames("0", "2");
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(rec(2), (EffRec{11, 0, 0, 10, 10, 0, "second"}));
}

TEST_F(HokanTest, InBetweenFramesTakeTheFirstKeyFramesKind) {
    rec(0) = EffRec{6, 0, 0, 10, 10, 8, "0"};
    rec(2) = EffRec{9, 0, 0, 10, 10, 8, "1"};
    keyFrames("0", "2");
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(rec(1).Kind, 6);
    EXPECT_EQ(rec(1).Text, "0");
}

TEST_F(HokanTest, WorksOnTheSelectedLayerOnly) {
    editor.SelLay = 2;
    rec(0) = EffRec{6, 0, 0, 10, 10, 0, "0"};
    rec(2) = EffRec{6, 20, 0, 10, 10, 0, "0"};
    editor.EffArr.at(1, 1) = EffRec{9, 1, 1, 1, 1, 1, "1"};
    keyFrames("0", "2");
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(editor.EffArr.at(2, 1).X, 10.0f);
    EXPECT_EQ(editor.EffArr.at(1, 1), (EffRec{9, 1, 1, 1, 1, 1, "1"}));
    EXPECT_EQ(editor.EffArr.at(0, 1), EffRec{});
}

TEST_F(HokanTest, SuccessRedrawsTheTimelineMarksUnsavedKeepsTheBoxesAndCanBeUndone) {
    rec(0) = EffRec{6, 0, 0, 10, 10, 0, "0"};
    rec(3) = EffRec{6, 30, 0, 10, 10, 0, "0"};
    editor.HokanST = 0;
    editor.HokanEND = 3;
    keyFrames("0", "3");
    ASSERT_TRUE(editor.HokanEffect());
    EXPECT_EQ(host.calls["SetTLine"], 1);
    EXPECT_EQ(editor.EdSaved, kFalse);
    EXPECT_EQ(editor.HokanST, -1);
    EXPECT_EQ(editor.HokanEND, -1);
    EXPECT_EQ(host.LabelText("TextHSt"), "0");
    EXPECT_EQ(host.LabelText("TextHEnd"), "3");
    EXPECT_EQ(editor.undo.UndoArmed, 0);
    EXPECT_TRUE(host.messages.empty());

    editor.GoUndo();
    EXPECT_EQ(rec(1), EffRec{});
    EXPECT_EQ(rec(2), EffRec{});
    editor.GoRedo();
    EXPECT_EQ(rec(1).X, 10.0f);
    EXPECT_EQ(rec(2).X, 20.0f);
}

TEST_F(HokanTest, AnEmptyBoxIsReportedEvenWithPickedKeyFrames) {
    rec(0) = EffRec{6, 0, 0, 10, 10, 0, "0"};
    rec(3) = EffRec{6, 30, 0, 10, 10, 0, "0"};
    editor.HokanST = 0;
    editor.HokanEND = 3;
    for (auto [first, second] : {std::pair{"", "3"}, std::pair{"0", ""}}) {
        host.messages.clear();
        keyFrames(first, second);
        EXPECT_FALSE(editor.HokanEffect());
        ASSERT_EQ(host.messages.size(), 1u);
        EXPECT_EQ(host.messages[0].text, kNoKeyFrames);
        EXPECT_EQ(host.messages[0].style, 0);
    }
    EXPECT_EQ(rec(1), EffRec{});
    EXPECT_EQ(editor.undo.UndoHist[0], UndoEntry{});
    EXPECT_TRUE(hook.calls.empty());
    EXPECT_EQ(editor.EdSaved, kTrue);
    EXPECT_EQ(editor.HokanST, 0);
}

TEST_F(HokanTest, AKeyFrameWithoutAnEffectIsReported) {
    rec(0) = EffRec{6, 0, 0, 10, 10, 0, "0"};
    rec(3) = EffRec{-1, 30, 0, 10, 10, 0, "0"};  // negative kinds are no effect either
    keyFrames("0", "3");
    EXPECT_FALSE(editor.HokanEffect());
    keyFrames("5", "0");
    EXPECT_FALSE(editor.HokanEffect());
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].text, kNoEffect);
    EXPECT_EQ(host.messages[1].text, kNoEffect);
    EXPECT_EQ(host.messages[0].style, 0);
    EXPECT_EQ(rec(1), EffRec{});
    EXPECT_EQ(editor.undo.UndoHist[0], UndoEntry{});
    EXPECT_TRUE(hook.calls.empty());
    EXPECT_EQ(editor.HokanRngST, -1);
}

TEST_F(HokanTest, ABoxWithoutAFrameOfTheTimelineEndsSilently) {
    rec(0) = EffRec{6, 0, 0, 10, 10, 0, "0"};
    rec(31) = EffRec{6, 31, 0, 10, 10, 0, "0"};  // the last frame column
    for (const char* bad : {"abc", "-1", "32", "3x", "1e10"}) {
        keyFrames("0", bad);
        EXPECT_FALSE(editor.HokanEffect()) << bad;
    }
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(rec(1), EffRec{});
    EXPECT_EQ(editor.undo.UndoHist[0], UndoEntry{});
    EXPECT_EQ(editor.EdSaved, kTrue);
    EXPECT_EQ(editor.HokanRngST, -1);

    keyFrames("0", "31");
    EXPECT_TRUE(editor.HokanEffect());
    EXPECT_EQ(rec(1).X, 1.0f);
}

TEST_F(HokanTest, FadeInRisesFromFullyTransparentToTheSecondLevel) {
    rec(10) = EffRec{1, 0, 0, 10, 10, 30, "1"};
    rec(14) = EffRec{1, 0, 0, 10, 10, 70, "1"};
    keyFrames("10", "14");
    editor.SetFDIn();
    const int16_t expected[] = {100, 92, 85, 78, 70};
    for (int32_t f = 10; f <= 14; ++f) EXPECT_EQ(rec(f).Param, expected[f - 10]) << "frame " << f;
    EXPECT_EQ(host.LabelText("TextHSt"), "");
    EXPECT_EQ(host.LabelText("TextHEnd"), "");
    EXPECT_EQ(editor.HokanST, -1);
    EXPECT_EQ(host.calls["SetTLine"], 1);
    // One undo step covers the interpolation and the fade.
    editor.GoUndo();
    EXPECT_EQ(rec(10).Param, 30);
    EXPECT_EQ(rec(12), EffRec{});
}

TEST_F(HokanTest, FadeOutLeavesTheFirstLevelAndRisesTowardsFullTransparency) {
    rec(10) = EffRec{1, 0, 0, 10, 10, 70, "1"};
    rec(14) = EffRec{1, 0, 0, 10, 10, 70, "1"};
    keyFrames("10", "14");
    editor.SetFDOut();
    const int16_t expected[] = {70, 78, 85, 92, 100};
    for (int32_t f = 10; f <= 14; ++f) EXPECT_EQ(rec(f).Param, expected[f - 10]) << "frame " << f;
    EXPECT_EQ(host.LabelText("TextHSt"), "");
    EXPECT_EQ(editor.HokanST, -1);
}

TEST_F(HokanTest, FadeOutFromFiftyEndsAtEightyNotAtAHundred) {
    rec(10) = EffRec{1, 0, 0, 10, 10, 50, "1"};
    rec(14) = EffRec{1, 0, 0, 10, 10, 70, "1"};
    keyFrames("14", "10");
    editor.SetFDOut();
    const int16_t expected[] = {50, 58, 65, 72, 80};
    for (int32_t f = 10; f <= 14; ++f) EXPECT_EQ(rec(f).Param, expected[f - 10]) << "frame " << f;
}

TEST_F(HokanTest, AFadeWhoseInterpolationFailedChangesNothing) {
    rec(10) = EffRec{1, 0, 0, 10, 10, 50, "1"};
    rec(14) = EffRec{0, 0, 0, 10, 10, 70, "1"};
    editor.HokanRngST = 10;  // a range left by an earlier interpolation
    editor.HokanRngEND = 14;
    keyFrames("10", "14");
    editor.SetFDIn();
    editor.SetFDOut();
    EXPECT_EQ(rec(10).Param, 50);
    EXPECT_EQ(rec(14).Param, 70);
    EXPECT_EQ(rec(12), EffRec{});
    EXPECT_EQ(host.LabelText("TextHSt"), "10");
    EXPECT_EQ(host.messages.size(), 2u);
}

}  // namespace
}  // namespace movalux::test
