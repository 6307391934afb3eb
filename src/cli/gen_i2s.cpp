// qvtool gen i2s: the I2S tool's settings from the command line. The words come as the data edit
// would hold them: typed (--words), the Sample button's text (--sample), random pairs (--random N
// with --seed) or --data. Run only (the tool has no Convert).
#include "gen_command.h"
#include "generators/i2s.h"

#include <random>

namespace qv::cli {
namespace {

struct I2sOptions {
    gen::I2sSettings settings;
    std::string clock = "2.5";
    double unitFactor = 1e6;
    std::string words;
    bool wordsGiven = false;
    int randomPairs = -1;
    std::uint32_t seed = 0;
};

constexpr GenOption<I2sOptions> options[] = {
    {"sck", "N", Msg::CliGenI2sSck,
     [](I2sOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.sckChannel); }},
    {"width", "BITS", Msg::CliGenI2sWidth,
     [](I2sOptions& o, const std::string& v) { return readInt(v, 0, 64, o.settings.width); }},
    {"preset", "MBPS", Msg::CliGenI2sPreset,
     [](I2sOptions& o, const std::string& v) {
         static const char* const names[] = {"2.048", "2.8224", "3.072"};
         o.settings.preset = true;
         return readChoice(v, names, o.settings.presetIndex);
     }},
    {"clock", "F", Msg::CliGenI2sSckRate, [](I2sOptions& o, const std::string& v) { return !(o.clock = v).empty(); }},
    {"unit", "MHz|KHz|Hz", Msg::CliGenI2sUnit,
     [](I2sOptions& o, const std::string& v) {
         static const char* const names[] = {"MHz", "KHz", "Hz"};
         static constexpr double factors[] = {1e6, 1e3, 1};
         int k = 0;
         if (!readChoice(v, names, k)) return false;
         o.unitFactor = factors[k];
         return true;
     }},
    {"words", "TEXT", Msg::CliGenI2sWords,
     [](I2sOptions& o, const std::string& v) {
         o.words = v;
         return o.wordsGiven = true;
     }},
    {"sample", nullptr, Msg::CliGenI2sSample,
     [](I2sOptions& o, const std::string&) {
         o.words = gen::i2sSampleText;
         return o.wordsGiven = true;
     }},
    {"random", "N", Msg::CliGenI2sRandom,
     [](I2sOptions& o, const std::string& v) { return readInt(v, 1, 1000000, o.randomPairs); }},
    {"seed", "N", Msg::CliGenSeed,
     [](I2sOptions& o, const std::string& v) {
         int seed = 0;
         if (!readInt(v, 0, 2147483647, seed)) return false;
         o.seed = static_cast<std::uint32_t>(seed);
         return true;
     }},
    {"repeat", nullptr, Msg::CliGenRepeat, [](I2sOptions& o, const std::string&) { return o.settings.repeat = true; }},
};

int i2sMain(const GenCommon& common, const std::vector<std::string>& args) {
    I2sOptions o;
    if (int status = applyOptions<I2sOptions>(options, args, o); status != exitDone) return status;
    if (!common.convertOut.empty()) return fail(Msg::CliGenNoConvert, "i2s", exitBadArguments);
    const auto clock = rateBitsPerSecond(o.clock, RateUnit::Bps);
    if (!clock) return failWithValue("--clock", o.clock);
    gen::I2sSettings s = o.settings;
    s.sckHz = *clock * o.unitFactor;
    std::string text = common.dataText;
    if (o.wordsGiven) {
        text = o.words;
    } else if (o.randomPairs > 0) {
        std::mt19937 random(o.seed);
        text = gen::i2sRandomText(o.randomPairs, s.width, random);
    }
    return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
        return outputStarted(gen::runI2s(ports, s, text, buffer).outcome.result);
    });
}

} // namespace

const GenTool i2sGenTool{"i2s", Msg::CliGenI2sSummary, [] { printOptionTable<I2sOptions>(options); }, i2sMain};

} // namespace qv::cli
