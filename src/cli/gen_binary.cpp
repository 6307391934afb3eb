// qvtool gen binary: Binary File to Waveform from the command line; Run only (no Convert). The
// Frequency is typed as in the dialog, a number in the unit of --unit, and rounded to whole hertz.
#include "gen_command.h"
#include "generators/binary_file.h"

namespace qv::cli {
namespace {

struct BinaryOptions {
    gen::BinaryFileSettings settings;
    std::string file;
    std::string frequency = "10";
    RateUnit unit = RateUnit::Mbps;
};
using Option = GenOption<BinaryOptions>;

constexpr Option options[] = {
    {"file", "PATH", Msg::CliGenBinaryFile,
     [](BinaryOptions& o, const std::string& v) { return !(o.file = v).empty(); }},
    {"data-width", "BYTES", Msg::CliGenBinaryDataWidth,
     [](BinaryOptions& o, const std::string& v) { return readInt(v, -1000, 1000, o.settings.dataWidth); }},
    {"output-width", "BITS", Msg::CliGenBinaryOutputWidth,
     [](BinaryOptions& o, const std::string& v) { return readInt(v, -1000, 1000, o.settings.outputWidth); }},
    {"start-channel", "N", Msg::CliGenBinaryStartChannel,
     [](BinaryOptions& o, const std::string& v) { return readInt(v, -1000, 1000, o.settings.startChannel); }},
    {"frequency", "N", Msg::CliGenBinaryFrequency,
     [](BinaryOptions& o, const std::string& v) { return !(o.frequency = v).empty(); }},
    {"unit", "UNIT", Msg::CliGenBinaryUnit,
     [](BinaryOptions& o, const std::string& v) {
         static const char* const names[] = {"MHz", "KHz", "Hz"};
         return readChoice(v, names, o.unit);
     }},
    {"repeat", nullptr, Msg::CliGenRepeat,
     [](BinaryOptions& o, const std::string&) { return o.settings.repeat = true; }},
    {"section", nullptr, Msg::CliGenSection,
     [](BinaryOptions& o, const std::string&) { return o.settings.section = true; }},
};

int binaryMain(const GenCommon& common, const std::vector<std::string>& args) {
    BinaryOptions o;
    if (const int status = applyOptions<BinaryOptions>(options, args, o); status != exitDone) return status;
    if (!common.convertOut.empty()) return fail(Msg::CliGenNoConvert, "binary", exitBadArguments);
    if (o.file.empty()) return fail(Msg::CliMissingArgument, "--file", exitBadArguments);
    const auto hertz = rateBitsPerSecond(o.frequency, o.unit);
    if (!hertz) return failWithValue("--frequency", o.frequency);
    o.settings.frequencyHz = *hertz;
    return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
        return outputStarted(gen::runBinaryFile(ports, o.settings, o.file, buffer).outcome.result);
    });
}

} // namespace

const GenTool binaryGenTool{"binary", Msg::CliGenBinarySummary, [] { printOptionTable<BinaryOptions>(options); },
                            binaryMain};

} // namespace qv::cli
