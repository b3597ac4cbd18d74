#pragma once
// The undo history: ten steps, newest first. Each entry names the kind of
// change it undoes, the layer selected when it was taken and, for changes of
// records, the undo slot that holds its own copy of that layer. The copies
// live in the rows of UndoArr (slots 0-9), which has the timeline's shape.
//
// Every entry is complete in itself: undoing a change of records swaps the
// entry's copy with the layer, so that the copy then holds what redo brings
// back; moves and erases are reversed and repeated from the entry's own
// layer. No entry depends on its neighbours, so no mix of edits, clicks and
// layer changes can make one step restore another step's layer.
//
// After k undos, entries 0..k-1 are the steps that redo can bring back
// (entry k-1 first), and entry k is the next one to undo.

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
    int16_t layer = 0;  // the selected layer when the step was taken
    int16_t slot = -1;  // the UndoArr row holding this entry's copy; -1 none
    int16_t extra = 0;  // kErase: the erased layer's enabled flag
    int16_t after = 0;  // the selected layer when the step was undone: redo returns to it
    // Part of the step recorded before it: one command that changed several
    // layers is undone and redone as one.
    bool withPrevious = false;
    bool operator==(const UndoEntry&) const = default;
};

class UndoHistory {
  public:
    static constexpr int kDepth = 10;
    static constexpr int kSlots = 10;  // one slot per entry: no entry's copy is ever reused

    std::array<UndoEntry, kDepth> UndoHist{};
    int16_t UndoPos = 0;   // entries undone; 0 when nothing can be redone
    int16_t UndoSlot = 0;  // where the search for the next free slot starts
    // -1 from a snapshot until the command that took it clears it. Only a
    // timeline click leaves it set: an undo that follows such a click at
    // once does not count the click as a step (see absorbPendingSelect).
    int16_t UndoArmed = 0;
    int16_t UndoCode = 0;  // the code of the last snapshot request

    // Records a step of kind `code` taken with `layer` selected. Every step
    // that could still be redone is dropped first; the oldest step goes when
    // all ten are in use. Changes of records (codes 1 and 2) copy the layer
    // into a free slot of `copies`: the slot, or -1 when no copy was taken.
    int16_t record(int16_t code, int16_t layer, int16_t extra, const EffTimeline& timeline,
                   EffTimeline& copies);

    // The step just recorded belongs to the one before it (see withPrevious).
    void joinLastToPrevious() {
        if (UndoPos == 0 && UndoHist[1].code != undocode::kNone) UndoHist[0].withPrevious = true;
    }

    // The step the next undo reverses, and the one the next redo repeats;
    // null when there is none.
    UndoEntry* nextUndo();
    UndoEntry* nextRedo();
    // Undo and redo have done their step.
    void undone() { ++UndoPos; }
    void redone() { --UndoPos; }

    // A timeline click selects a layer as a step of its own, but an undo
    // straight after it reverses the edit before it and leaves the selection
    // alone: the click's step is dropped. True when one was dropped.
    bool absorbPendingSelect();

    // An edit that records no step of its own: the steps that could be
    // redone would overwrite it, so they go; the edit joins the step before.
    void discardRedo();

    // Every entry empty, nothing to undo or redo; UndoSlot stays.
    void clear();

    // Copies slot `slot` of `copies` over layer `layer` of `timeline`.
    static void restore(const EffTimeline& copies, int16_t slot, EffTimeline& timeline, int layer);
    // Exchanges slot `slot` of `copies` with layer `layer` of `timeline`.
    static void exchange(EffTimeline& copies, int16_t slot, EffTimeline& timeline, int layer);

  private:
    // Removes entries 0..count-1; the older ones move down.
    void dropNewest(int count);
    int16_t freeSlot() const;
};

}  // namespace movalux
