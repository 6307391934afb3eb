// qvtool gen encoder: the Encoder's settings from the command line; Run only (no Convert). The
// bytes come from --data FILE, --bytes TEXT or --sample, as the Data(Hex) edit would hold them.
#include "gen_command.h"
#include "generators/encoder.h"

#include <limits>

namespace qv::cli {
namespace {

using gen::EncoderSettings;
using gen::LineCode;

struct EncoderOptions {
    EncoderSettings settings;
    RateOption rate{"1", RateUnit::Mbps};
    std::string bytes;
    bool bytesGiven = false;
};

using Option = GenOption<EncoderOptions>;

bool readFrequencyUnit(const std::string& text, RateUnit& unit) {
    static const char* const names[] = {"MHz", "KHz", "Hz"};
    return readChoice(text, names, unit);
}

constexpr Option options[] = {
    {"channel", "N", Msg::CliGenEncoderChannel,
     [](EncoderOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.channel); }},
    {"code", "CODE", Msg::CliGenEncoderCode,
     [](EncoderOptions& o, const std::string& v) {
         static const char* const names[] = {"nrzi", "thomas", "ieee", "differential"};
         return readChoice(v, names, o.settings.code);
     }},
    {"order", "msb|lsb", Msg::CliGenEncoderOrder,
     [](EncoderOptions& o, const std::string& v) {
         o.settings.lsbFirst = v == "lsb";
         return v == "lsb" || v == "msb";
     }},
    {"rate", "N", Msg::CliGenEncoderRate,
     [](EncoderOptions& o, const std::string& v) {
         o.rate.text = v;
         return true;
     }},
    {"unit", "MHz|KHz|Hz", Msg::CliGenFrequencyUnit,
     [](EncoderOptions& o, const std::string& v) { return readFrequencyUnit(v, o.rate.unit); }},
    {"bytes", "TEXT", Msg::CliGenEncoderBytes,
     [](EncoderOptions& o, const std::string& v) {
         o.bytes = v;
         return o.bytesGiven = true;
     }},
    {"sample", nullptr, Msg::CliGenEncoderSample,
     [](EncoderOptions& o, const std::string&) {
         o.bytes = gen::encoderSampleText;
         return o.bytesGiven = true;
     }},
    {"repeat", nullptr, Msg::CliGenRepeat,
     [](EncoderOptions& o, const std::string&) { return o.settings.repeat = true; }},
};

int encoderMain(const GenCommon& common, const std::vector<std::string>& args) {
    EncoderOptions o;
    if (int status = applyOptions<EncoderOptions>(options, args, o); status != exitDone) return status;
    if (!common.convertOut.empty()) return fail(Msg::CliGenNoConvert, "encoder", exitBadArguments);
    // A rate that is no number reaches the tool as such, for its own message.
    o.settings.rateHz = rateBitsPerSecond(o.rate.text, o.rate.unit).value_or(std::numeric_limits<double>::quiet_NaN());
    const std::string text = o.bytesGiven ? o.bytes : common.dataText;
    return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
        return gen::runEncoder(ports, o.settings, text, buffer).outcome.result == OutputResult::Running;
    });
}

} // namespace

const GenTool encoderGenTool{"encoder", Msg::CliGenEncoderSummary, [] { printOptionTable<EncoderOptions>(options); },
                             encoderMain};

} // namespace qv::cli
