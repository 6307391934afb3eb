// libFuzzer harness of the LAW import: arbitrary bytes. The entry is shared with the native test that
// replays the seed corpus in fuzz/corpus/law_import/.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!qv::fuzz::logicAnalyzerWaveform(data, size)) __builtin_trap();
    return 0;
}
