// qvtool gen smbus|pmbus: the two tools' settings and packet lists from the command line. The
// entry options set the dialog's fields; --add (SMBus) and --sr / --ok (PMBus) press the buttons
// that compose lines from them, --sr of an SMBus process call stores its write data as the Sr
// button does; --line and --list add packet lines as written. Run, and --convert.
#include "gen_command.h"
#include "generators/frame.h"
#include "generators/smbus.h"
#include "generators/smbus_lines.h"

namespace qv::cli {
namespace {

const char* const unitNames[] = {"M", "K", "Hz"}; // RateUnit order
const char* const readWriteNames[] = {"write", "read"};

struct PacketOptions {
    gen::SmbusSettings settings;
    RateOption rate{"100", RateUnit::Kbps};
    gen::SmbusEntry smbus;
    gen::PmbusEntry pmbus;
    gen::PmbusLine pmbusLine;
    ListBuild list;
};

bool refuse(PacketOptions& o, Msg m) {
    if (m != Msg::None && o.list.refused == Msg::None) o.list.refused = m;
    return true;
}

bool readHex(const std::string& text, unsigned maximum, std::string& field) {
    if (!gen::hexValue(text, maximum)) return false;
    field = text;
    return true;
}

// The options both tools share; `protocols` is the tool's protocol count.
template <int protocols> constexpr GenOption<PacketOptions> commonOption(int which) {
    constexpr GenOption<PacketOptions> table[] = {
        {"rate", "N", Msg::CliGenSmbusRate,
         [](PacketOptions& o, const std::string& v) { return !(o.rate.text = v).empty(); }},
        {"unit", "M|K|Hz", Msg::CliGenSmbusUnit,
         [](PacketOptions& o, const std::string& v) { return readChoice(v, unitNames, o.rate.unit); }},
        {"clock", "N", Msg::CliGenSmbusClock,
         [](PacketOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.clockChannel); }},
        {"repeat", nullptr, Msg::CliGenRepeat,
         [](PacketOptions& o, const std::string&) { return o.settings.repeat = true; }},
        {"protocol", "N", Msg::CliGenSmbusProtocol,
         [](PacketOptions& o, const std::string& v) {
             if (!readInt(v, 0, protocols - 1, o.smbus.protocol)) return false;
             o.pmbus.protocol = o.smbus.protocol;
             return true;
         }},
        {"address", "HEX", Msg::CliGenSmbusAddress,
         [](PacketOptions& o, const std::string& v) {
             return readHex(v, gen::smbusMaxAddress, o.smbus.address) && readHex(v, 0x7F, o.pmbus.address);
         }},
        {"command", "HEX", Msg::CliGenSmbusCommand,
         [](PacketOptions& o, const std::string& v) {
             return readHex(v, gen::smbusMaxCommand, o.smbus.command) && readHex(v, 0xFF, o.pmbus.command);
         }},
        {"bytes", "HEX;HEX;...", Msg::CliGenSmbusData,
         [](PacketOptions& o, const std::string& v) {
             o.smbus.data = o.pmbus.data = v;
             return true;
         }},
        {"line", "TEXT", Msg::CliGenBusLine,
         [](PacketOptions& o, const std::string& v) {
             o.list.lines.push_back(v);
             return true;
         }},
        {"list", "FILE", Msg::CliGenBusList,
         [](PacketOptions& o, const std::string& v) { return appendListFile(v, o.list); }},
    };
    return table[which];
}

constexpr GenOption<PacketOptions> smbusOptions[] = {
    commonOption<gen::smbusProtocolCount>(0),
    commonOption<gen::smbusProtocolCount>(1),
    commonOption<gen::smbusProtocolCount>(2),
    commonOption<gen::smbusProtocolCount>(3),
    commonOption<gen::smbusProtocolCount>(4),
    commonOption<gen::smbusProtocolCount>(5),
    {"rw", "read|write", Msg::CliGenSmbusRw,
     [](PacketOptions& o, const std::string& v) {
         int read = 0;
         if (!readChoice(v, readWriteNames, read)) return false;
         o.smbus.read = read != 0;
         return true;
     }},
    commonOption<gen::smbusProtocolCount>(6),
    commonOption<gen::smbusProtocolCount>(7),
    {"sr", nullptr, Msg::CliGenSmbusSr,
     [](PacketOptions& o, const std::string&) {
         if (!gen::smbusProtocolUse(o.smbus.protocol).repeatedStart) return false;
         return refuse(o, gen::storeSmbusWriteData(o.smbus));
     }},
    {"add", nullptr, Msg::CliGenSmbusAdd,
     [](PacketOptions& o, const std::string&) {
         std::string line;
         const Msg m = gen::composeSmbusLine(o.smbus, line);
         if (m == Msg::None && o.list.refused == Msg::None) o.list.lines.push_back(line);
         return refuse(o, m);
     }},
    commonOption<gen::smbusProtocolCount>(8),
    commonOption<gen::smbusProtocolCount>(9),
};

constexpr GenOption<PacketOptions> pmbusOptions[] = {
    commonOption<gen::pmbusProtocolCount>(0),
    commonOption<gen::pmbusProtocolCount>(1),
    commonOption<gen::pmbusProtocolCount>(2),
    commonOption<gen::pmbusProtocolCount>(3),
    commonOption<gen::pmbusProtocolCount>(4),
    commonOption<gen::pmbusProtocolCount>(5),
    commonOption<gen::pmbusProtocolCount>(6),
    {"extension", "HEX", Msg::CliGenPmbusExtension,
     [](PacketOptions& o, const std::string& v) { return readHex(v, gen::smbusMaxCommand, o.pmbus.extension); }},
    commonOption<gen::pmbusProtocolCount>(7),
    {"sr", nullptr, Msg::CliGenPmbusSr,
     [](PacketOptions& o, const std::string&) { return refuse(o, o.pmbusLine.repeatedStart(o.pmbus)); }},
    {"ok", nullptr, Msg::CliGenPmbusOk,
     [](PacketOptions& o, const std::string&) {
         std::string line;
         const Msg m = o.pmbusLine.finish(o.pmbus, line);
         if (m == Msg::None && o.list.refused == Msg::None) o.list.lines.push_back(line);
         return refuse(o, m);
     }},
    commonOption<gen::pmbusProtocolCount>(8),
    commonOption<gen::pmbusProtocolCount>(9),
};

void printProtocols(int count, Msg (*name)(int)) {
    printLine(english(Msg::CliGenProtocols));
    for (int p = 0; p < count; ++p) printLine((p < 10 ? "   " : "  ") + std::to_string(p) + "  " + english(name(p)));
}

int packetMain(const GenCommon& common, PacketOptions& o, const char* clockName, const char* dataName) {
    if (o.pmbusLine.underWay()) refuse(o, Msg::PmbusGroupUnderWay);
    if (int status = finishList(o.list); status != exitDone) return status;
    if (o.list.lines.empty()) return fail(Msg::CliGenSmbusEmpty);
    const auto rate = rateOf(o.rate);
    if (!rate) return failWithValue("--rate", o.rate.text);
    o.settings.rateHz = *rate;
    const gen::SmbusSettings& s = o.settings;
    const std::vector<std::string>& lines = o.list.lines;
    if (common.convertOut.empty())
        return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
            return gen::runSmbus(ports, s, lines, buffer).outcome.result == OutputResult::Running;
        });
    return genConvert(common, [&](std::span<Sample> buffer, gen::ConvertRequest& request) {
        if (Msg m = gen::validateSmbus(s, request.capabilities); m != Msg::None) return m;
        std::vector<gen::PacketUnit> units;
        if (gen::readPacketList(lines, units).line > 0) return Msg::ListLineUnreadable;
        const gen::SmbusBuild built =
            gen::buildSmbusStream(units, s, common.instrument.cardType, buffer,
                                  gen::sampleLimit(request.capabilities, gen::smbusSampleLimitMargin));
        if (built.error != Msg::None) return built.error;
        request.signals = {{clockName, s.clockChannel}, {dataName, s.clockChannel + 1}};
        request.sampleClockHz = static_cast<int>(gen::smbusSampleClock(s));
        return Msg::None;
    });
}

int smbusMain(const GenCommon& common, const std::vector<std::string>& args) {
    PacketOptions o;
    if (int status = applyOptions<PacketOptions>(smbusOptions, args, o); status != exitDone) return status;
    return packetMain(common, o, "SMBCLK", "SMBDATA");
}

int pmbusMain(const GenCommon& common, const std::vector<std::string>& args) {
    PacketOptions o;
    if (int status = applyOptions<PacketOptions>(pmbusOptions, args, o); status != exitDone) return status;
    return packetMain(common, o, "PMBCLK", "PMBDATA");
}

} // namespace

const GenTool smbusGenTool{"smbus", Msg::CliGenSmbusSummary,
                           [] {
                               printOptionTable<PacketOptions>(smbusOptions);
                               printProtocols(gen::smbusProtocolCount, gen::smbusProtocolName);
                           },
                           smbusMain};
const GenTool pmbusGenTool{"pmbus", Msg::CliGenPmbusSummary,
                           [] {
                               printOptionTable<PacketOptions>(pmbusOptions);
                               printProtocols(gen::pmbusProtocolCount, gen::pmbusProtocolName);
                           },
                           pmbusMain};

} // namespace qv::cli
