#include "effects/OverlayRect.h"

#include <cmath>
#include <stdexcept>

#include "base/NumberText.h"
#include "effects/RasterOps.h"
#include "effects/RegionGesture.h"
#include "host/Host.h"
#include "host/Panel.h"

namespace movalux {

OverlayRect::Box OverlayRect::centredBox(float x, float y) const {
    return {roundHalfEven32(static_cast<double>(x) - W / 2),
            roundHalfEven32(static_cast<double>(y) - H / 2),
            roundHalfEven32(static_cast<double>(x) + W / 2),
            roundHalfEven32(static_cast<double>(y) + H / 2)};
}

void OverlayRect::drawBox(EffectEnv& env, const Box& b) {
    InvertOutlineBox(env.PictMain(), b.x1, b.y1, b.x2, b.y2, env.outlineWidth());
}

void OverlayRect::eraseShown(EffectEnv& env) {
    if (outlineShown_) drawBox(env, shown_);
    outlineShown_ = false;
}

void OverlayRect::mouseDown(EffectEnv& env, bool ctrl, float x, float y) {
    if (!dragging) {
        if (ctrl) {
            shown_ = centredBox(x, y);
            drawBox(env, shown_);
            outlineShown_ = true;
        } else {
            anchorX = x;
            anchorY = y;
        }
        lastX = x;
        lastY = y;
        dragging = true;
        // The frame shown again has no outline on it.
        if (env.DspFrame2() >= 0) outlineShown_ = false;
        env.host().Refresh(Picture::PictMain);
    }
    dragging = true;
}

void OverlayRect::constrain(float& x, float& y, float ratio) const {
    if (anchorY - y == 0 || !(ratio != 0) || !std::isfinite(ratio)) return;
    const float dx = x - anchorX, dy = y - anchorY;
    const bool sameWay = (anchorX - x) / (anchorY - y) > 0;
    if (std::abs(dy) >= static_cast<float>(std::abs(dx) * ratio)) {
        x = sameWay ? anchorX + dy / ratio : anchorX - dy / ratio;
    } else {
        y = sameWay ? anchorY + dx * ratio : anchorY + (anchorX - x) * ratio;
    }
}

void OverlayRect::mouseMove(EffectEnv& env, bool ctrl, bool shiftKey, float x, float y,
                            float ratio) {
    if (!dragging) return;
    Panel& p = env.panel();
    eraseShown(env);
    if (ctrl) {
        p.setText("Xzahyou", plainNumberText(x));
        p.setText("Yzahyou", plainNumberText(y));
        shown_ = centredBox(x, y);
    } else {
        if (shiftKey) constrain(x, y, ratio);
        shown_ = {roundHalfEven32(anchorX), roundHalfEven32(anchorY), roundHalfEven32(x),
                  roundHalfEven32(y)};
        p.setText("Xzahyou", plainNumberText(anchorX));
        p.setText("Yzahyou", plainNumberText(anchorY));
    }
    drawBox(env, shown_);
    outlineShown_ = true;
    lastX = x;
    lastY = y;
    env.host().Refresh(Picture::PictMain);
}

void OverlayRect::mouseUp(EffectEnv& env, bool ctrl, bool shiftKey, float x, float y, float ratio,
                          float wholeW, float wholeH) {
    // The rubber band goes before the picture is composed over the frame.
    eraseShown(env);
    if (x == -1.0f) {
        X = 0;
        Y = 0;
        W = wholeW;
        H = wholeH;
    } else if (ctrl) {
        X = x - W / 2;
        Y = y - H / 2;
    } else {
        if (shiftKey) constrain(x, y, ratio);
        X = anchorX;
        Y = anchorY;
        W = x - anchorX;
        H = y - anchorY;
    }
}

void OverlayRect::compose(EffectEnv& env, const Surface& picture, int32_t keyColour,
                          int16_t transparency, bool rendering, StretchCache* cache,
                          uint64_t contentId) const {
    Surface& main = env.PictMain();
    Surface& before = env.PictJT();
    const int x = roundHalfEven32(X), y = roundHalfEven32(Y), w = roundHalfEven32(W),
              h = roundHalfEven32(H);
    const ClipRect c = clipToPicture(x, y, w, h, main.width(), main.height());
    // Outside the rectangle PictJT is a copy of PictMain and the blend
    // leaves such pixels as they are, so only the rectangle is worked; the
    // whole copy is made only where PictJT may hold something else.
    if (!rendering || before.width() != main.width() || before.height() != main.height())
        copyPicture(before, main);
    else if (!c.empty())
        BitBlt(before, c.x, c.y, c.w, c.h, &main, c.x, c.y, Rop::SrcCopy);
    if (c.empty()) return;
    stretchOverlay(before, x, y, w, h, picture, keyColour, cache, contentId);
    AlphaBlend(main, c.x, c.y, c.w, c.h, before, c.x, c.y, overlayOpacity(transparency));
    env.host().Refresh(Picture::PictMain);
}

void KeyColourPick::DoTouka(EffectEnv& env, int16_t shift) {
    if (shift < 1) {
        colour = kNoKeyColour;
        return;
    }
    env.host().SetPointer(pointer::kCross);
    picking = true;
}

void KeyColourPick::DoPreview(EffectEnv& env, float x, float y) {
    if (!picking) return;
    const Surface& preview = env.PreVewPict();
    const int px = roundHalfEven32(x), py = roundHalfEven32(y);
    if (preview.contains(px, py)) colour = colorRefOfPixel(preview.pixel(px, py));
    env.host().SetPointer(pointer::kDefault);
    env.PictMsk().fill(kWhite);
    picking = false;
}

int32_t answerResQuery(const ResourceTable& table, int16_t slot, int16_t& shift,
                       std::string& resName) {
    if (slot < 0 || slot >= table.count || slot >= ResourceTable::kSlots) return 1;
    resName = table.entries[static_cast<size_t>(slot)];
    shift = 1;
    return 0;
}

void storeResSlot(ResourceTable& table, int16_t slot, const std::string& resName) {
    if (slot < 0 || slot >= ResourceTable::kSlots) throw std::out_of_range("resource slot");
    table.entries[static_cast<size_t>(slot)] = resName;
    // The count covers every slot the file named, so that each is written
    // out again, and never passes the table's end.
    table.count =
        std::min<int16_t>(ResourceTable::kSlots, std::max<int16_t>(table.count + 1, slot + 1));
    table.currentSlot = slot;
}

void layoutOverlayPanel(EffectEnv& env, float scale, const char* noFileCaption) {
    Panel& p = env.panel();
    const int font = panelFontSize(scale);
    auto place = [&](const char* name, int left, int top) {
        p.move(name, left, top);
        p.setFontSize(name, font);
    };
    // The check box keeps the place the window gave it: the other panels
    // never move it back, and at the classic place it would lie over the
    // option frames of the pixel effects.
    p.setCaption("CheckPreVew", "プレビュー");
    p.setVisible("CheckPreVew", true);
    p.setFontSize("CheckPreVew", font);
    for (const char* hidden : {"Frame5", "Frame6", "Combo5", "Combo6", "ComdBtn2", "ComSTP2",
                               "HScroll1", "HScroll2", "HScroll3"})
        p.setVisible(hidden, false);
    p.setCaption("Label6", "ファイル名");
    place("Label6", 1440, 300);
    p.resize("Label6", 1200, 255);
    p.setVisible("Label6", false);
    p.setCaption("Label3", noFileCaption);
    p.setVisible("Label3", true);
    place("Label3", 1300, 340);
    p.resize("Label3", 1600, 255);
    p.setVisible("PreVewPict", true);
    place("PreVewPict", 3000, 160);
    p.resize("PreVewPict", 1600, 1200);
    env.PreVewPict().resize(panelPixels(1600, scale), panelPixels(1200, scale), kWhite);
    p.setCaption("RDPictBtn", "読込");
    p.setVisible("RDPictBtn", true);
    place("RDPictBtn", 100, 1000);
    p.resize("RDPictBtn", 800, 250);
    p.setCaption("Label1", "透明度%");
    p.setVisible("Label1", true);
    place("Label1", 1340, 910);
    p.clearList("Combo1");
    for (const char* item : {"0", "30", "50", "70", "90"}) p.addItem("Combo1", item);
    p.setListIndex("Combo1", 0);
    p.setVisible("Combo1", true);
    p.setEnabled("Combo1", true);
    place("Combo1", 2040, 900);
    p.setEnabled("ComFdIn", true);
    p.setEnabled("ComFdOut", true);
    p.setEnabled("mnuAll", true);
    layoutCoordinateFrame(p, scale);
    p.setCaption("Frame7", "効果情報");
    p.setCaption("Label13", "幅高さ");
    p.setVisible("Label13", true);

    const Surface& main = env.PictMain();
    if (env.PictMsk().width() != main.width() || env.PictMsk().height() != main.height())
        env.PictMsk().resize(main.width(), main.height(), kWhite);
    if (env.PictJT().width() != main.width() || env.PictJT().height() != main.height())
        env.PictJT().resize(main.width(), main.height(), kBlack);
}

}  // namespace movalux
