// libFuzzer harness of the Altera waveform table / text vector converter: arbitrary text through
// Load and Convert. The entry is shared with the native test that replays the seed corpus in
// fuzz/corpus/tbl_import/.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!qv::fuzz::alteraTable(data, size)) __builtin_trap();
    return 0;
}
