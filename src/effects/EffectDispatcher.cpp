#include "effects/EffectDispatcher.h"

namespace movalux {

int32_t EffectModule::EffEntry(EffArgs args) noexcept {
    try {
        return handle(args);
    } catch (...) {
        return kTrappedError;
    }
}

void EffectDispatcher::registerModule(int16_t number, EffectModule* module) {
    const bool assignable = (number >= 1 && number <= 11) || number == kouka::kMovie;
    if (assignable) modules_[static_cast<size_t>(number)] = module;
}

EffectModule* EffectDispatcher::module(int16_t number) const {
    if (number < 1 || number > kMaxNumber) return nullptr;
    return modules_[static_cast<size_t>(number)];
}

int32_t EffectDispatcher::JumpEff(State state, int16_t KoukaNom, int16_t DoNom, int16_t& Button,
                                  int16_t& Shift, float& X, float& Y, int32_t& a, int32_t& b) const {
    auto call = [&](EffectModule* m, int16_t number) {
        int16_t kouka = number;
        int16_t doNom = DoNom;
        return m->EffEntry({kouka, doNom, state.FixSize, Button, Shift, X, Y, state.ResName, a, b});
    };

    if (KoukaNom == kouka::kPicture2ThenMovie) {
        // The caller's number is not passed on: each module sees its own.
        // A chain whose first module is missing reaches nothing, like an
        // unassigned number; a missing second module leaves the first's answer.
        EffectModule* pict2 = module(kouka::kPicture2);
        if (pict2 == nullptr) return state.EffResult;
        int32_t r = call(pict2, kouka::kPicture2);
        state.EffResult = r;
        if (r == 0) return 0;
        EffectModule* movie = module(kouka::kMovie);
        if (movie == nullptr) return r;
        r = call(movie, kouka::kMovie);
        state.EffResult = r;
        return r;
    }

    const bool assigned = (KoukaNom >= 1 && KoukaNom <= 11) || KoukaNom == kouka::kMovie;
    EffectModule* m = assigned ? module(KoukaNom) : nullptr;
    if (m == nullptr) return state.EffResult;
    int32_t r = call(m, KoukaNom);
    state.EffResult = r;
    return r;
}

}  // namespace movalux
