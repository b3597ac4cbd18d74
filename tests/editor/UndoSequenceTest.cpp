// Undo and redo after any mix of edits, timeline clicks, layer selections,
// moves and erases, against a plain model of what the layers must hold: undo
// returns to the state before the newest step, redo to the state the undo
// left, and a new step drops what could be redone.

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "effects/EffectModule.h"
#include "support/EditorFixture.h"

namespace movalux::test {
namespace {

// Writes a record that names where it was released.
class StampModule : public EffectModule {
  public:
    explicit StampModule(EffectEnv& env) : env_(env) {}

  protected:
    int32_t handle(EffArgs& args) override {
        if (args.DoNom == cmd::kMouseUp) env_.WorkRec() = stamp(args.KoukaNom, args.X);
        return 0;
    }

  public:
    static EffRec stamp(int16_t kind, float x) {
        return EffRec{kind, x, 1, 5, 5, 0, "stamp " + std::to_string(static_cast<int>(x))};
    }

  private:
    EffectEnv& env_;
};

using Layer = std::vector<EffRec>;

// What the user can see of the project: the five saved layers, the enabled
// flags and the selected layer.
struct State {
    std::array<Layer, 5> layers;
    std::array<int16_t, 5> enabled{};
    int16_t sel = 0;
    bool sameContents(const State& o) const { return layers == o.layers && enabled == o.enabled; }
};

// The expected behaviour, written without the editor's history.
class Model {
  public:
    enum class Kind { Content, Select, Click, Move, Erase };

    explicit Model(State s) : now(std::move(s)) {}

    void step(Kind kind, const State& after) {
        if (undone > 0) steps.resize(steps.size() - static_cast<size_t>(undone));
        undone = 0;
        pendingClick = kind == Kind::Click;
        steps.push_back({kind, now, after, after.sel});
        if (steps.size() > kDepth) steps.erase(steps.begin());
        now = after;
    }
    void undo() {
        // A timeline click followed directly by undo is not a step: the
        // undo goes to the step before it, and the selection stays.
        if (pendingClick && undone == 0) steps.pop_back();
        pendingClick = false;
        if (static_cast<size_t>(undone) >= steps.size()) return;
        Step& s = steps[steps.size() - 1 - static_cast<size_t>(undone)];
        s.selAtUndo = now.sel;
        const int16_t sel = s.kind == Kind::Content ? now.sel : s.before.sel;
        now = s.before;
        now.sel = sel;
        ++undone;
    }
    void redo() {
        pendingClick = false;
        if (undone == 0) return;
        const Step& s = steps[steps.size() - static_cast<size_t>(undone)];
        now = s.after;
        now.sel = s.selAtUndo;
        --undone;
    }

    State now;

  private:
    static constexpr size_t kDepth = 10;
    struct Step {
        Kind kind;
        State before;
        State after;
        int16_t selAtUndo;
    };
    std::vector<Step> steps;
    int undone = 0;
    bool pendingClick = false;
};

class UndoSequenceTest : public EditorTest {
  protected:
    static constexpr int32_t kLast = 11;  // frames 0..12
    static constexpr float kStrip = 473.0f;

    void SetUp() override {
        openPicture(patternPicture(8, 6), kLast);
        editor.STFlame = editor.RangeST = 0;
        editor.ENDFlame = editor.RangeEND = kLast;
        editor.registerModule(kouka::kArrow, &stamp);
        editor.KoukaSel = kouka::kArrow;
    }
    State state() const {
        State s;
        for (int l = 0; l < 5; ++l)
            s.layers[static_cast<size_t>(l)] =
                editor.EffArr.layerRecords(l);
        s.enabled = editor.LayEnable;
        s.sel = editor.SelLay;
        return s;
    }
    void draw(int32_t frame, float x) {
        editor.CurFlame = frame;
        editor.Dragging = true;
        editor.PictMain_MouseUp(1, 0, x, 1);
    }
    // A click on the timeline's column of `layer`, at the first row.
    void clickColumn(int layer) {
        editor.PictTLine_MouseDown(1, 0, 22.0f * layer + 5.0f, 5.0f, kStrip);
    }

    StampModule stamp{editor};
};

TEST_F(UndoSequenceTest, RedoAfterATimelineClickBringsTheDrawingBackEveryTime) {
    // The review's case: draw on layer 1, click layer 2's column, then undo,
    // redo, undo, redo.
    const Layer empty = state().layers[0];
    draw(3, 10);
    const Layer drawn = state().layers[0];
    clickColumn(1);
    ASSERT_EQ(editor.SelLay, 1);
    for (int round = 0; round < 3; ++round) {
        editor.GoUndo();
        EXPECT_EQ(state().layers[0], empty) << "undo " << round;
        editor.GoRedo();
        EXPECT_EQ(state().layers[0], drawn) << "redo " << round;
        EXPECT_EQ(state().layers[1], empty) << "redo " << round;
    }
}

TEST_F(UndoSequenceTest, AnEditOnAnotherLayerAfterAnUndoneClickKeepsTheOlderStepsRedoable) {
    draw(3, 10);
    const State first = state();
    draw(4, 20);
    clickColumn(1);
    editor.GoUndo();  // the second drawing goes
    ASSERT_EQ(state().layers[0], first.layers[0]);
    draw(5, 30);  // on layer 1, which the click selected
    const State now = state();
    editor.GoUndo();
    editor.GoUndo();
    EXPECT_EQ(state().layers[0], Layer(first.layers[0].size()));
    editor.GoRedo();
    EXPECT_EQ(state().layers[0], first.layers[0]);
    editor.GoRedo();
    EXPECT_TRUE(state().sameContents(now));
}

// Random sequences of every command that takes an undo step, and of undo and
// redo, each checked against the model after every command.
TEST_F(UndoSequenceTest, RandomSequencesRestoreExactlyWhatWasThere) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        openPicture(patternPicture(8, 6), kLast);
        editor.EffUndoErase();
        editor.SelLay = 0;
        editor.LayEnable = {kTrue, kFalse, kTrue, kTrue, kFalse};
        // Layer 4 holds records only an edit file can put there; an erase
        // brings them into layer 3.
        editor.EffArr.at(4, 2) = EffRec{9, 1, 1, 1, 1, 8, "from the file"};
        Model model(state());
        std::mt19937 rng(seed);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<uint32_t>(n)); };
        std::ostringstream trail;
        for (int n = 0; n < 300; ++n) {
            const int what = pick(100);
            const int16_t sel = editor.SelLay;
            State after = model.now;
            Layer& mine = after.layers[static_cast<size_t>(sel)];
            if (what < 22) {
                const int32_t f = pick(kLast + 2);
                const float x = static_cast<float>(pick(1000));
                trail << "draw(" << f << "," << x << ") ";
                draw(f, x);
                mine[static_cast<size_t>(f)] = StampModule::stamp(kouka::kArrow, x);
                model.step(Model::Kind::Content, after);
            } else if (what < 30) {
                const int32_t f = pick(kLast + 2);
                trail << "delete(" << f << ") ";
                editor.HokanST = f;
                editor.HokanEND = -1;
                editor.mnuEfDelete_Click();
                mine[static_cast<size_t>(f)] = EffRec{};
                model.step(Model::Kind::Content, after);
            } else if (what < 36) {
                const int32_t a = pick(kLast + 2), b = pick(kLast + 2);
                trail << "deleteRange(" << a << "," << b << ") ";
                editor.HokanST = a;
                editor.HokanEND = b;
                editor.mnuEfDelete_Click();
                for (int32_t f = std::min(a, b); f <= std::max(a, b); ++f)
                    mine[static_cast<size_t>(f)].Kind = 0;
                model.step(Model::Kind::Content, after);
            } else if (what < 44) {
                const int c = pick(4);
                trail << "click(" << c << ") ";
                clickColumn(c);
                if (c != sel) {
                    after.sel = static_cast<int16_t>(c);
                    model.step(Model::Kind::Click, after);
                }
            } else if (what < 50) {
                const int c = pick(4);
                trail << "select(" << c << ") ";
                editor.SelLayer(1, 0, 22.0f * c + 5.0f, 3);
                after.sel = static_cast<int16_t>(c);
                model.step(Model::Kind::Select, after);
            } else if (what < 56) {
                const int dir = pick(2) == 0 ? 1 : -1;
                trail << (dir > 0 ? "right " : "left ");
                const int to = sel + dir;
                if (dir > 0)
                    editor.MoveLayRight();
                else
                    editor.MoveLayLeft();
                if (to >= 0 && to <= 3) {
                    std::swap(after.layers[static_cast<size_t>(sel)],
                              after.layers[static_cast<size_t>(to)]);
                    std::swap(after.enabled[static_cast<size_t>(sel)],
                              after.enabled[static_cast<size_t>(to)]);
                    after.sel = static_cast<int16_t>(to);
                    model.step(Model::Kind::Move, after);
                }
            } else if (what < 60) {
                trail << "erase ";
                editor.LayerErase();
                for (int i = sel; i <= 3; ++i) {
                    after.layers[static_cast<size_t>(i)] = after.layers[static_cast<size_t>(i + 1)];
                    after.enabled[static_cast<size_t>(i)] =
                        after.enabled[static_cast<size_t>(i + 1)];
                }
                model.step(Model::Kind::Erase, after);
            } else if (what < 82) {
                trail << "undo ";
                editor.GoUndo();
                model.undo();
            } else {
                trail << "redo ";
                editor.GoRedo();
                model.redo();
            }
            const State real = state();
            ASSERT_TRUE(real.sameContents(model.now))
                << "seed " << seed << " after " << trail.str();
            ASSERT_EQ(real.sel, model.now.sel) << "seed " << seed << " after " << trail.str();
        }
    }
}

}  // namespace
}  // namespace movalux::test
