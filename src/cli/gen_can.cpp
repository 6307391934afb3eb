// qvtool gen can: the CAN tool's settings and list from the command line. The frame options set
// the dialog's frame fields and --add adds them as the Add button does (CRC computed unless given,
// a faulty frame answered by --error); --line and --list add list lines as written. Run, and
// --convert for the stream as a document.
#include "gen_command.h"
#include "generators/can.h"
#include "generators/frame.h"

#include <optional>

namespace qv::cli {
namespace {

struct CanOptions {
    gen::CanSettings settings;
    RateOption rate{"400", RateUnit::Kbps};
    gen::CanFrame frame;
    std::optional<std::uint32_t> crc; // computed at --add when not given
    std::optional<Answer> errorAnswer; // Yes active, No passive
    ListBuild list;
};

const char* const formatNames[] = {"11", "29"};
const char* const kindNames[] = {"data", "remote"};

bool readHex(const std::string& text, std::uint64_t maximum, std::uint64_t& value) {
    const auto n = gen::hexValue(text, maximum);
    if (!n || text.empty()) return false;
    value = *n;
    return true;
}

bool add(CanOptions& o) {
    if (o.list.refused != Msg::None) return true;
    gen::CanFrame f = o.frame;
    f.crc = o.crc.value_or(gen::canFrameCrc(f));
    AddPrompt prompt(o.errorAnswer.value_or(Answer::Cancel));
    std::vector<std::string> lines = gen::canAddLines(f, prompt);
    if (lines.empty()) {
        o.list.refused = prompt.shown != Msg::None ? prompt.shown : Msg::CliGenAddCancelled;
        return true;
    }
    for (std::string& line : lines) o.list.lines.push_back(std::move(line));
    return true;
}

constexpr GenOption<CanOptions> options[] = {
    {"rate", "N", Msg::CliGenBusRate, [](CanOptions& o, const std::string& v) { return !(o.rate.text = v).empty(); }},
    {"unit", "M|K|bps", Msg::CliGenBusUnit,
     [](CanOptions& o, const std::string& v) { return readRateUnit(v, o.rate.unit); }},
    {"high", "N", Msg::CliGenCanHigh,
     [](CanOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.highChannel); }},
    {"repeat", nullptr, Msg::CliGenRepeat, [](CanOptions& o, const std::string&) { return o.settings.repeat = true; }},
    {"format", "11|29", Msg::CliGenCanFormat,
     [](CanOptions& o, const std::string& v) { return readChoice(v, formatNames, o.frame.format); }},
    {"type", "data|remote", Msg::CliGenCanType,
     [](CanOptions& o, const std::string& v) {
         if (!readChoice(v, kindNames, o.frame.kind)) return false;
         o.frame.rtr = o.frame.kind == gen::CanFrameKind::Remote ? 1 : 0;
         return true;
     }},
    {"id", "HEX", Msg::CliGenCanId,
     [](CanOptions& o, const std::string& v) {
         std::uint64_t id = 0;
         if (!readHex(v, gen::canMaxExtendedId, id)) return false;
         o.frame.id = static_cast<std::uint32_t>(id);
         return true;
     }},
    {"rtr", "0|1", Msg::CliGenCanRtr,
     [](CanOptions& o, const std::string& v) { return readInt(v, 0, 1, o.frame.rtr); }},
    {"dlc", "N", Msg::CliGenCanDlc,
     [](CanOptions& o, const std::string& v) { return readInt(v, 0, gen::canMaxDataBytes, o.frame.dlc); }},
    {"bytes", "HEX,HEX,...", Msg::CliGenCanData,
     [](CanOptions& o, const std::string& v) {
         std::string blanks = v;
         for (char& c : blanks)
             if (c == ',') c = ' ';
         const auto bytes = gen::hexBytes(blanks, gen::canMaxDataBytes);
         if (!bytes) return false;
         o.frame.dlc = static_cast<int>(bytes->size());
         std::copy(bytes->begin(), bytes->end(), o.frame.data.begin());
         return true;
     }},
    {"crc", "HEX|auto", Msg::CliGenCanCrc,
     [](CanOptions& o, const std::string& v) {
         std::uint64_t crc = 0;
         if (v == "auto") {
             o.crc.reset();
             return true;
         }
         if (!readHex(v, 0xFFFFFFFF, crc)) return false;
         o.crc = static_cast<std::uint32_t>(crc);
         return true;
     }},
    {"crc-delimiter", "N", Msg::CliGenCanCrcDelimiter,
     [](CanOptions& o, const std::string& v) { return readInt(v, 0, 9, o.frame.crcDelimiter); }},
    {"ack", "N", Msg::CliGenCanAck, [](CanOptions& o, const std::string& v) { return readInt(v, 0, 9, o.frame.ack); }},
    {"is", "N", Msg::CliGenCanIs,
     [](CanOptions& o, const std::string& v) {
         int bits = 0;
         if (!readInt(v, 0, 2000000000, bits)) return false;
         o.frame.interframeSpace = static_cast<std::uint64_t>(bits);
         return true;
     }},
    {"error", "active|passive", Msg::CliGenCanError,
     [](CanOptions& o, const std::string& v) {
         if (v != "active" && v != "passive") return false;
         o.errorAnswer = v == "active" ? Answer::Yes : Answer::No;
         return true;
     }},
    {"add", nullptr, Msg::CliGenBusAdd, [](CanOptions& o, const std::string&) { return add(o); }},
    {"line", "TEXT", Msg::CliGenBusLine,
     [](CanOptions& o, const std::string& v) {
         o.list.lines.push_back(v);
         return true;
     }},
    {"list", "FILE", Msg::CliGenBusList, [](CanOptions& o, const std::string& v) { return appendListFile(v, o.list); }},
};

int canMain(const GenCommon& common, const std::vector<std::string>& args) {
    CanOptions o;
    if (int status = applyOptions<CanOptions>(options, args, o); status != exitDone) return status;
    if (int status = finishList(o.list); status != exitDone) return status;
    const auto rate = rateOf(o.rate);
    if (!rate) return failWithValue("--rate", o.rate.text);
    o.settings.rateBitsPerSecond = *rate;
    const gen::CanSettings& s = o.settings;
    const std::vector<std::string>& lines = o.list.lines;
    if (common.convertOut.empty())
        return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
            return gen::runCan(ports, s, lines, buffer).outcome.result == OutputResult::Running;
        });
    return genConvert(common, [&](std::span<Sample> buffer, gen::ConvertRequest& request) {
        if (Msg m = gen::validateCan(s, request.capabilities); m != Msg::None) return m;
        std::vector<gen::CanUnit> units;
        if (gen::readCanList(lines, units).line > 0) return Msg::ListLineUnreadable;
        const gen::CanBuild built =
            gen::buildCanStream(units, s, common.instrument.cardType, buffer,
                                gen::sampleLimit(request.capabilities, gen::canSampleLimitMargin));
        if (built.error != Msg::None) return built.error;
        request.signals = {{"CAN_High", s.highChannel}, {"CAN_Low", s.highChannel + 1}};
        request.sampleClockHz = gen::canSampleClock(s);
        return Msg::None;
    });
}

} // namespace

const GenTool canGenTool{"can", Msg::CliGenCanSummary, [] { printOptionTable<CanOptions>(options); }, canMain};

} // namespace qv::cli
