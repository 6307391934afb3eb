// qvtool gen lin: the LIN tool's settings and list from the command line. The entry options set
// the dialog's fields and --add adds them as the Add button does (P0, P1 and NDATA calculated, the
// checksum computed in the chosen model unless given); --line and --list add list lines as
// written. --seed fixes the response spaces the dialog draws from the time. Run, and --convert.
#include "gen_command.h"
#include "generators/frame.h"
#include "generators/lin.h"

#include <optional>

namespace qv::cli {
namespace {

struct LinOptions {
    gen::LinSettings settings;
    RateOption rate{"2400", RateUnit::Bps};
    gen::LinEntryKind kind = gen::LinEntryKind::Message;
    gen::LinMessage message;
    gen::LinChecksumModel model = gen::LinChecksumModel::Classic;
    std::optional<std::uint8_t> checksum; // computed at --add when not given
    int wakeUpDelimiter = 4;
    ListBuild list;
};

const char* const kindNames[] = {"message", "wakeup", "sleep"};

bool add(LinOptions& o) {
    if (o.list.refused != Msg::None) return true;
    switch (o.kind) {
    case gen::LinEntryKind::WakeUp: o.list.lines.push_back(gen::linWakeUpLine(o.wakeUpDelimiter)); break;
    case gen::LinEntryKind::Sleep: o.list.lines.emplace_back(gen::linSleepLine()); break;
    case gen::LinEntryKind::Message: {
        gen::LinMessage m = o.message;
        if (Msg error = gen::linCalculate(m); error != Msg::None) {
            o.list.refused = error;
            return true;
        }
        m.checksum = o.checksum.value_or(gen::linChecksum(m.data, m, o.model));
        o.list.lines.push_back(gen::linMessageLine(m));
        break;
    }
    }
    return true;
}

constexpr GenOption<LinOptions> options[] = {
    {"rate", "N", Msg::CliGenBusRate, [](LinOptions& o, const std::string& v) { return !(o.rate.text = v).empty(); }},
    {"unit", "M|K|bps", Msg::CliGenBusUnit,
     [](LinOptions& o, const std::string& v) { return readRateUnit(v, o.rate.unit); }},
    {"channel", "N", Msg::CliGenLinChannel,
     [](LinOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.channel); }},
    {"repeat", nullptr, Msg::CliGenRepeat, [](LinOptions& o, const std::string&) { return o.settings.repeat = true; }},
    {"seed", "N", Msg::CliGenLinSeed,
     [](LinOptions& o, const std::string& v) {
         int seed = 0;
         if (!readInt(v, 0, 2147483647, seed)) return false;
         o.settings.seed = static_cast<std::uint32_t>(seed);
         return true;
     }},
    {"kind", "message|wakeup|sleep", Msg::CliGenLinKind,
     [](LinOptions& o, const std::string& v) { return readChoice(v, kindNames, o.kind); }},
    {"break", "N", Msg::CliGenLinBreak,
     [](LinOptions& o, const std::string& v) { return readInt(v, 0, 1000000, o.message.breakBits); }},
    {"delimiter", "N", Msg::CliGenLinDelimiter,
     [](LinOptions& o, const std::string& v) { return readInt(v, 0, 1000000, o.message.delimiterBits); }},
    {"id", "HEX", Msg::CliGenLinId,
     [](LinOptions& o, const std::string& v) {
         const auto id = gen::hexValue(v, 0xFF);
         if (!id || v.empty()) return false;
         o.message.id = static_cast<unsigned>(*id);
         return true;
     }},
    {"bytes", "HEX;HEX;...", Msg::CliGenLinData,
     [](LinOptions& o, const std::string& v) {
         const auto bytes = gen::linDataTokens(v);
         if (!bytes) return false;
         o.message.data = *bytes;
         return true;
     }},
    {"checksum", "classic|enhanced|HEX", Msg::CliGenLinChecksum,
     [](LinOptions& o, const std::string& v) {
         o.checksum.reset();
         if (v == "classic" || v == "enhanced") {
             o.model = v == "classic" ? gen::LinChecksumModel::Classic : gen::LinChecksumModel::Enhanced;
             return true;
         }
         const auto value = gen::hexValue(v, 0xFF);
         if (!value || v.empty()) return false;
         o.checksum = static_cast<std::uint8_t>(*value);
         return true;
     }},
    {"wakeup-delimiter", "N", Msg::CliGenLinWakeUp,
     [](LinOptions& o, const std::string& v) { return readInt(v, 0, 1000000, o.wakeUpDelimiter); }},
    {"add", nullptr, Msg::CliGenBusAdd, [](LinOptions& o, const std::string&) { return add(o); }},
    {"line", "TEXT", Msg::CliGenBusLine,
     [](LinOptions& o, const std::string& v) {
         o.list.lines.push_back(v);
         return true;
     }},
    {"list", "FILE", Msg::CliGenBusList, [](LinOptions& o, const std::string& v) { return appendListFile(v, o.list); }},
};

int linMain(const GenCommon& common, const std::vector<std::string>& args) {
    LinOptions o;
    if (int status = applyOptions<LinOptions>(options, args, o); status != exitDone) return status;
    if (int status = finishList(o.list); status != exitDone) return status;
    const auto rate = rateOf(o.rate);
    if (!rate) return failWithValue("--rate", o.rate.text);
    o.settings.rateBitsPerSecond = *rate;
    const gen::LinSettings& s = o.settings;
    const std::vector<std::string>& lines = o.list.lines;
    if (common.convertOut.empty())
        return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
            return gen::runLin(ports, s, lines, buffer).outcome.result == OutputResult::Running;
        });
    return genConvert(common, [&](std::span<Sample> buffer, gen::ConvertRequest& request) {
        if (Msg m = gen::validateLin(s, request.capabilities); m != Msg::None) return m;
        std::vector<gen::LinUnit> units;
        if (gen::readLinList(lines, units).line > 0) return Msg::ListLineUnreadable;
        std::mt19937 random(s.seed);
        const gen::LinBuild built =
            gen::buildLinStream(units, s, common.instrument.cardType, buffer,
                                gen::sampleLimit(request.capabilities, gen::linSampleLimitMargin), random);
        if (built.error != Msg::None) return built.error;
        request.signals = {{"LIN", s.channel}};
        request.sampleClockHz = gen::linSampleClock(s);
        return Msg::None;
    });
}

} // namespace

const GenTool linGenTool{"lin", Msg::CliGenLinSummary, [] { printOptionTable<LinOptions>(options); }, linMain};

} // namespace qv::cli
