// libFuzzer harness of the VHDL test bench import: arbitrary text. The entry is shared with the native test that
// replays the seed corpus in fuzz/corpus/vhdl_import/.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!qv::fuzz::vhdlTestBench(data, size)) __builtin_trap();
    return 0;
}
