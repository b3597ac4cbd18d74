#pragma once
// One record line of the edit file: FRAME,CODE,X,Y,W,H,PARAM,"TEXT", where
// CODE = Kind + 100 x layer.

#include <cstdint>
#include <string_view>

#include "base/Result.h"
#include "model/EffRec.h"

namespace movalux {

struct RecordLine {
    int32_t frame = 0;
    int16_t code = 0;
    EffRec rec;  // Kind taken from the code

    // Layer = floor(code / 100), Kind = code - 100 x layer.
    int layer() const;
};

int recordLayer(int16_t code);
int16_t recordKind(int16_t code);

Result<RecordLine> parseRecordLine(std::string_view line);

}  // namespace movalux
