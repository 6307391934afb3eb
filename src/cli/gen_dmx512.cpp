// qvtool gen dmx512: the DMX512 tool's settings from the command line. The slot values come as the
// value edit would hold them: typed (--values), from a file (--file, as Generate Values reads it),
// random (--random N with --seed, as Generate Values draws them) or from --data. Run and Convert.
#include "gen_command.h"
#include "generators/dmx512.h"
#include "generators/text_transfer.h"
#include "support/field_values.h"

namespace qv::cli {
namespace {

struct DmxOptions {
    gen::DmxSettings settings;
    RateOption rate{"250", RateUnit::Kbps};
    std::string values; // the value edit's text, when given by an option
    bool valuesGiven = false;
    std::string file;
    int randomCount = -1;
    std::uint32_t seed = 0;
};

bool readTime(const std::string& v, std::int64_t& time) {
    const auto n = parseFieldInteger(v);
    if (!n || *n < 0 || *n > gen::dmxMaxTimeValue) return false;
    time = *n;
    return true;
}

constexpr GenOption<DmxOptions> options[] = {
    {"plus", "N", Msg::CliGenDmxPlus,
     [](DmxOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.plusChannel); }},
    {"rate", "N", Msg::CliGenDmxRate, [](DmxOptions& o, const std::string& v) { return !(o.rate.text = v).empty(); }},
    {"unit", "M|K|bps", Msg::CliGenDmxUnit,
     [](DmxOptions& o, const std::string& v) { return readRateUnit(v, o.rate.unit); }},
    {"values", "HEX,HEX,...", Msg::CliGenDmxValues,
     [](DmxOptions& o, const std::string& v) {
         o.values.clear();
         for (char c : v) o.values += c == ',' || c == ';' ? std::string("\r\n") : std::string(1, c);
         return o.valuesGiven = true;
     }},
    {"file", "PATH", Msg::CliGenDmxFile, [](DmxOptions& o, const std::string& v) { return !(o.file = v).empty(); }},
    {"random", "N", Msg::CliGenDmxRandom,
     [](DmxOptions& o, const std::string& v) { return readInt(v, 0, 10000000, o.randomCount); }},
    {"seed", "N", Msg::CliGenSeed,
     [](DmxOptions& o, const std::string& v) {
         int seed = 0;
         if (!readInt(v, 0, 2147483647, seed)) return false;
         o.seed = static_cast<std::uint32_t>(seed);
         return true;
     }},
    {"mbb", "MS", Msg::CliGenDmxMbb,
     [](DmxOptions& o, const std::string& v) { return readTime(v, o.settings.markBeforeBreakMs); }},
    {"break", "US", Msg::CliGenDmxBreak,
     [](DmxOptions& o, const std::string& v) { return readTime(v, o.settings.breakUs); }},
    {"mab", "US", Msg::CliGenDmxMab,
     [](DmxOptions& o, const std::string& v) { return readTime(v, o.settings.markAfterBreakUs); }},
    {"inter-slot", "US", Msg::CliGenDmxInterSlot,
     [](DmxOptions& o, const std::string& v) { return readTime(v, o.settings.interSlotUs); }},
    {"repeat", nullptr, Msg::CliGenRepeat, [](DmxOptions& o, const std::string&) { return o.settings.repeat = true; }},
};

int dmxMain(const GenCommon& common, const std::vector<std::string>& args) {
    DmxOptions o;
    if (int status = applyOptions<DmxOptions>(options, args, o); status != exitDone) return status;
    const std::optional<double> rate = rateOf(o.rate);
    if (!rate) return failWithValue("--rate", o.rate.text);
    gen::DmxSettings s = o.settings;
    s.rateBitsPerSecond = *rate;
    std::string text = common.dataText;
    if (o.valuesGiven) {
        text = o.values;
    } else if (!o.file.empty()) {
        if (Msg m = gen::importText(o.file, text); m != Msg::None) return fail(m, o.file);
    } else if (o.randomCount >= 0) {
        std::mt19937 random(o.seed);
        const int count = o.randomCount == 0 ? gen::dmxRandomCount(random) : o.randomCount;
        text = gen::dmxRandomValuesText(count, random);
    }
    std::vector<std::uint8_t> values;
    std::string where;
    if (Msg m = gen::parseDmxValues(text, values, where); m != Msg::None) return fail(m, where);
    if (common.convertOut.empty())
        return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
            return outputStarted(gen::runDmx(ports, s, text, buffer).outcome.result);
        });
    return genConvert(common, [&](std::span<Sample> buffer, gen::ConvertRequest& request) {
        gen::DmxBuild built;
        std::string where;
        if (Msg m = gen::buildDmxForConvert(s, text, request.capabilities, common.instrument.cardType, buffer, built,
                                            where);
            m != Msg::None)
            return m;
        if (built.count == 0) return Msg::FileSizeZero; // no slot values
        request.signals = {{"DMX512_D+", s.plusChannel}, {"DMX512_D-", s.plusChannel + 1}};
        request.sampleClockHz = static_cast<int>(nearestHertz(s.rateBitsPerSecond));
        return Msg::None;
    });
}

} // namespace

const GenTool dmx512GenTool{"dmx512", Msg::CliGenDmxSummary, [] { printOptionTable<DmxOptions>(options); }, dmxMain};

} // namespace qv::cli
