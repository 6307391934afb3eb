// libFuzzer harness of the hand-off label loader: arbitrary bytes as WAVEEDIT.LBL. The entry is shared with the
// native test that replays the seed corpus in fuzz/corpus/handoff/.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!qv::fuzz::handoffLabels(data, size)) __builtin_trap();
    return 0;
}
