#pragma once
// JumpEff: sends a numbered command to the module that owns an effect
// number. Effect 30 chains picture 2 and movie.

#include <array>
#include <cstdint>
#include <string>

#include "effects/EffectModule.h"

namespace movalux {

class EffectDispatcher {
public:
    static constexpr int kMaxNumber = 30;

    // Registers the module for an effect number (1-11 and 20). Numbers that
    // have no module reach nothing, like unassigned numbers.
    void registerModule(int16_t number, EffectModule* module);
    EffectModule* module(int16_t number) const;

    // The main window's state that every dispatch passes on and updates.
    struct State {
        int16_t& FixSize;
        std::string& ResName;
        int32_t& EffResult;
    };

    int32_t JumpEff(State state, int16_t KoukaNom, int16_t DoNom, int16_t& Button, int16_t& Shift,
                    float& X, float& Y, int32_t& a, int32_t& b) const;

private:
    std::array<EffectModule*, kMaxNumber + 1> modules_{};
};

}  // namespace movalux
