// libFuzzer harness of the online update's list reader: arbitrary bytes. The entry is shared with the
// native test that replays the seed corpus in fuzz/corpus/update_list/.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!qv::fuzz::updateList(data, size)) __builtin_trap();
    return 0;
}
