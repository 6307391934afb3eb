// Building label records by hand for tests: a bit, a position code, a name and the fields that
// tests vary; every other field zero, as the tools write them.
#pragma once

#include "waveedit/label.h"

#include <cstring>

namespace qv::test {

inline LabelRecord labelRecord(int bit, int position, const char* name = "", int group = 0, int colour = 15) {
    LabelRecord r;
    r.bitIndex = bit;
    r.positionCode = position;
    r.groupType = group;
    r.colour = colour;
    std::strncpy(r.name, name, labelNameBytes - 1);
    return r;
}

} // namespace qv::test
