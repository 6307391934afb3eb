// libFuzzer harness of the online update's manifest parser: arbitrary bytes. The entry is shared with the
// native test that replays the seed corpus in fuzz/corpus/update_manifest/.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!qv::fuzz::updateManifest(data, size)) __builtin_trap();
    return 0;
}
