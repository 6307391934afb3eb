// qvtool gen spi: the SPI tool's settings from the command line; Run and Convert.
#include "gen_command.h"
#include "generators/spi.h"
#include "generators/frame.h"

namespace qv::cli {
namespace {

struct SpiOptions {
    gen::SpiSettings settings;
    std::string file; // "File Output"
};

const char* const activeNames[] = {"low", "high"};
const char* const edgeNames[] = {"rising", "falling"};
const char* const orderNames[] = {"msb", "lsb"};
const char* const formatNames[] = {"hex", "ascii"};

bool readFlag(const std::string& v, const char* const (&names)[2], bool& flag) {
    int k = 0;
    if (!readChoice(v, names, k)) return false;
    flag = k == 1;
    return true;
}

constexpr GenOption<SpiOptions> options[] = {
    {"cs", "N", Msg::CliGenSpiCs,
     [](SpiOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.csChannel); }},
    {"sclk", "N", Msg::CliGenSpiSclk,
     [](SpiOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.clockChannel); }},
    {"sdo", "N", Msg::CliGenSpiSdo,
     [](SpiOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.dataChannel); }},
    {"cs-active", "low|high", Msg::CliGenSpiCsActive,
     [](SpiOptions& o, const std::string& v) { return readFlag(v, activeNames, o.settings.csActiveHigh); }},
    {"edge", "rising|falling", Msg::CliGenSpiEdge,
     [](SpiOptions& o, const std::string& v) { return readFlag(v, edgeNames, o.settings.fallingEdge); }},
    {"width", "N", Msg::CliGenSpiWidth,
     [](SpiOptions& o, const std::string& v) { return readInt(v, 0, 64, o.settings.width); }},
    {"rate", "BITS/S", Msg::CliGenRate,
     [](SpiOptions& o, const std::string& v) { return readRate(v, o.settings.rateBitsPerSecond); }},
    {"order", "msb|lsb", Msg::CliGenSpiOrder,
     [](SpiOptions& o, const std::string& v) { return readFlag(v, orderNames, o.settings.lsbFirst); }},
    {"format", "hex|ascii", Msg::CliGenSpiFormat,
     [](SpiOptions& o, const std::string& v) { return readChoice(v, formatNames, o.settings.format); }},
    {"file", "PATH", Msg::CliGenSpiFile, [](SpiOptions& o, const std::string& v) { return !(o.file = v).empty(); }},
    {"repeat", nullptr, Msg::CliGenRepeat, [](SpiOptions& o, const std::string&) { return o.settings.repeat = true; }},
    {"no-repeat", nullptr, Msg::CliGenNoRepeat,
     [](SpiOptions& o, const std::string&) { return !(o.settings.repeat = false); }},
};

int spiMain(const GenCommon& common, const std::vector<std::string>& args) {
    SpiOptions o;
    if (int status = applyOptions<SpiOptions>(options, args, o); status != exitDone) return status;
    gen::SpiSettings& s = o.settings;
    std::string text = common.dataText;
    std::vector<std::uint32_t> fileWords;
    bool binary = false;
    if (!o.file.empty()) {
        CommandLinePrompt prompt(false); // "Data is too big": No keeps what fits
        const Capabilities caps = capabilitiesFor(common.instrument.model);
        const gen::SpiFileData data =
            gen::loadSpiFile(o.file, s.width, gen::sampleLimit(caps, gen::spiSampleLimitMargin), prompt);
        if (data.error != Msg::None) return fail(data.error);
        if (data.isText) {
            text = data.text;
            s.format = gen::SpiFormat::Ascii;
        } else {
            fileWords = data.words;
            binary = true;
        }
    }
    const std::vector<std::uint32_t>* words = binary ? &fileWords : nullptr;
    if (common.convertOut.empty())
        return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
            return outputStarted(gen::runSpi(ports, s, text, words, buffer).outcome.result);
        });
    return genConvert(common, [&](std::span<Sample> buffer, gen::ConvertRequest& request) {
        CommandLinePrompt prompt(true);
        gen::SpiBuild built;
        if (Msg m = gen::buildSpiForConvert(s, text, words, request.capabilities, common.instrument.cardType, prompt,
                                            buffer, built);
            m != Msg::None)
            return m;
        request.signals = {{"SPI_CS", s.csChannel}, {"SPI_CLK", s.clockChannel}, {"SPI_DATA", s.dataChannel}};
        request.sampleClockHz = gen::spiSampleClock(s);
        return Msg::None;
    });
}

} // namespace

const GenTool spiGenTool{"spi", Msg::CliGenSpiSummary, [] { printOptionTable<SpiOptions>(options); }, spiMain};

} // namespace qv::cli
