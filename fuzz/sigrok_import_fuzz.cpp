// libFuzzer harness of the sigrok session import: an archive or metadata with samples. The entry
// is shared with the native test that replays the seed corpus in fuzz/corpus/sigrok_import/.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (!qv::fuzz::sigrokSession(data, size)) __builtin_trap();
    return 0;
}
