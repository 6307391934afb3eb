// Every seed and every crash found by the fuzzers, kept in fuzz/corpus/<harness>/, through the
// entry its harness uses: a fixed crash stays fixed, and ASan/UBSan runs of the tests see them too.
#include "../../fuzz/fuzz_entries.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace qv {
namespace {

TEST(FuzzCorpus, EveryFileThroughItsHarnessEntry) {
    const std::filesystem::path corpus = QV_FUZZ_CORPUS;
    struct Harness {
        const char* folder;
        bool (*entry)(const std::uint8_t*, std::size_t);
    } harnesses[] = {
        {"handoff", fuzz::handoffLabels},
        {"qvv_reader", fuzz::textVector},
        {"qvw_reader", fuzz::binaryWaveform},
        {"vcd_import", fuzz::valueChangeDump},
        {"law_import", fuzz::logicAnalyzerWaveform},
        {"vhdl_import", fuzz::vhdlTestBench},
        {"update_list", fuzz::updateList},
        {"update_manifest", fuzz::updateManifest},
        {"tbl_import", fuzz::alteraTable},
        {"sigrok_import", fuzz::sigrokSession},
    };
    for (const Harness& h : harnesses) {
        int files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(corpus / h.folder)) {
            const auto bytes = test::readBytes(entry.path().string());
            EXPECT_TRUE(h.entry(bytes.data(), bytes.size())) << entry.path();
            ++files;
        }
        EXPECT_GE(files, 10) << h.folder;
    }
}

} // namespace
} // namespace qv
