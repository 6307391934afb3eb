// qvtool gen i2c: the I2C tool's settings from the command line; Run and Convert.
#include "gen_command.h"
#include "generators/i2c.h"

namespace qv::cli {
namespace {

struct I2cOptions {
    gen::I2cSettings settings;
    bool sample = false; // the "Sample" button's text instead of --data
};

const char* const addressingNames[] = {"7", "7rw", "10"};
const char* const outNames[] = {"default", "custom"};

constexpr GenOption<I2cOptions> options[] = {
    {"rate", "BITS/S", Msg::CliGenRate,
     [](I2cOptions& o, const std::string& v) { return readRate(v, o.settings.rateBitsPerSecond); }},
    {"addressing", "7|7rw|10", Msg::CliGenI2cAddressing,
     [](I2cOptions& o, const std::string& v) { return readChoice(v, addressingNames, o.settings.addressing); }},
    {"out", "default|custom", Msg::CliGenI2cOut,
     [](I2cOptions& o, const std::string& v) {
         int custom = 0;
         if (!readChoice(v, outNames, custom)) return false;
         o.settings.customOut = custom == 1;
         return true;
     }},
    {"scl", "N", Msg::CliGenI2cScl,
     [](I2cOptions& o, const std::string& v) {
         int channel = 0;
         if (!readInt(v, 0, 49, channel)) return false;
         gen::setI2cSclChannel(o.settings, channel);
         return true;
     }},
    {"wait-ev1", nullptr, Msg::CliGenI2cWaitEv1,
     [](I2cOptions& o, const std::string&) { return o.settings.waitEvent1 = true; }},
    {"repeat", nullptr, Msg::CliGenRepeat, [](I2cOptions& o, const std::string&) { return o.settings.repeat = true; }},
    {"sample", nullptr, Msg::CliGenI2cSample, [](I2cOptions& o, const std::string&) { return o.sample = true; }},
};

int i2cMain(const GenCommon& common, const std::vector<std::string>& args) {
    I2cOptions o;
    o.settings = gen::i2cDefaults(common.instrument.model);
    if (int status = applyOptions<I2cOptions>(options, args, o); status != exitDone) return status;
    const gen::I2cSettings& s = o.settings;
    const std::string text = o.sample ? std::string(gen::i2cSampleText(s.addressing)) : common.dataText;
    if (common.convertOut.empty())
        return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
            return outputStarted(gen::runI2c(ports, s, text, buffer).outcome.result);
        });
    return genConvert(common, [&](std::span<Sample> buffer, gen::ConvertRequest& request) {
        gen::I2cBuild built;
        if (Msg m = gen::buildI2cForConvert(s, text, request.capabilities, common.instrument.cardType, buffer, built);
            m != Msg::None)
            return m;
        gen::I2cProgram program;
        gen::checkI2c(s, text, request.capabilities, program);
        request.signals = {{"I2C_SCL", built.sclChannel}, {"I2C_SDA", built.sdaChannel}};
        request.sampleClockHz = gen::i2cSampleClock(s, program.readMode);
        return Msg::None;
    });
}

} // namespace

const GenTool i2cGenTool{"i2c", Msg::CliGenI2cSummary, [] { printOptionTable<I2cOptions>(options); }, i2cMain};

} // namespace qv::cli
