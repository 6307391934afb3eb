// libFuzzer harness of the VCD import: arbitrary text. The entry is shared with the native test that
// replays the seed corpus in fuzz/corpus/vcd_import/.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!qv::fuzz::valueChangeDump(data, size)) __builtin_trap();
    return 0;
}
