// libFuzzer harness of the .qvw reader: arbitrary bytes as a file. The entry is shared with the
// native test that replays the seed corpus in fuzz/corpus/qvw_reader/.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!qv::fuzz::binaryWaveform(data, size)) __builtin_trap();
    return 0;
}
