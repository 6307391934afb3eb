// libFuzzer harness of the text vector reader (qvReadQVV): arbitrary text into a small sample
// image and a full signal table; a table that reads is rebuilt into labels.
#include "waveedit/qvv_reader.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::vector<qv::Sample> samples(4096);
    static std::vector<qv::SignalEntry> table(qv::signalTableEntries);
    std::int32_t frequencyAndMode[2] = {10000000, 1};
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (qv::readTextVector(text, samples, table, frequencyAndMode) == qv::Msg::None) {
        qv::LabelTable labels{};
        (void)qv::labelsFromSignalTable(table, labels);
    }
    return 0;
}
