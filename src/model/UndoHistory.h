#pragma once
// The undo history: ten entries, newest first, each naming the kind of change
// that followed it, the layer selected when it was taken and the undo slot
// that holds its own copy of that layer. The copies live in the rows of
// UndoArr (slots 0-9), which has the timeline's shape.
//
// After k undos the entries 0..k-1 hold the states that redo returns to
// (entry 0 the state before the first undo), and entry k the state the undos
// have led back to.

#include <array>
#include <cstdint>

#include "model/EffTimeline.h"

namespace movalux {

// Kinds of change (the entry code).
namespace undocode {
inline constexpr int16_t kNone = 0;
inline constexpr int16_t kEffects = 1;    // effects of one layer changed
inline constexpr int16_t kErase = 2;      // layer erased
inline constexpr int16_t kSelect = 4;     // layer selection changed
inline constexpr int16_t kMoveRight = 5;  // layer moved right
inline constexpr int16_t kMoveLeft = 6;   // layer moved left
}  // namespace undocode

struct UndoEntry {
    int16_t code = undocode::kNone;
    int16_t layer = 0;  // the selected layer when the entry was made
    int16_t slot = -1;  // the UndoArr row holding this entry's copy; -1 none
    int16_t extra = 0;  // kErase: the erased layer's enabled flag
    bool operator==(const UndoEntry&) const = default;
};

class UndoHistory {
  public:
    static constexpr int kDepth = 10;
    static constexpr int kSlots = 10;  // one slot per entry: no entry's copy is ever reused
    // Undo goes on while UndoPos is at most this.
    static constexpr int16_t kMaxUndoPos = 8;

    std::array<UndoEntry, kDepth> UndoHist{};
    int16_t UndoPos = 0;    // entries undone; 0 when nothing can be redone
    int16_t UndoSlot = 0;   // where the search for the next free slot starts
    int16_t UndoArmed = 0;  // -1 while the newest copy shows the current state
    int16_t UndoCode = 0;   // the code of the last snapshot request

    // Copies layer `layer` of `timeline` into a free slot of `copies` and
    // records an entry for it. redoPoint: the copy that undo takes of the
    // state it leaves, which redo returns to. Otherwise (an edit follows)
    // every step that could still be redone is discarded first, together
    // with the entry of the state the undos led back to, which the new
    // entry replaces. Returns the slot filled, or -1 when no copy was taken.
    int16_t record(bool redoPoint, int16_t code, int16_t layer, int16_t extra,
                   const EffTimeline& timeline, EffTimeline& copies);

    // An edit that records no entry of its own: the steps that could be
    // redone would overwrite it, so they go; the edit joins the step before.
    void discardRedo();

    // Redo has returned to the newest state: its copy is the current state
    // and no longer needed. The next undo takes a fresh one.
    void finishRedo();

    // Every entry empty, nothing to undo or redo; UndoSlot stays.
    void clear();

    // Copies slot `slot` of `copies` over layer `layer` of `timeline`.
    static void restore(const EffTimeline& copies, int16_t slot, EffTimeline& timeline, int layer);

  private:
    // Removes entries 0..count-1; the older ones move down.
    void dropNewest(int count);
    int16_t freeSlot() const;
};

}  // namespace movalux
