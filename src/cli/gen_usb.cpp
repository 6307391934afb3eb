// qvtool gen usb: the USB 1.1 tool's settings and packet list from the command line. The packet
// options fill the Edit Packet fields and --add appends the packet as its OK does (CRC computed,
// 12089 for a missing field), after which the fields start empty again; --line and --list add
// rows as written, --sample the built-in sample list. Run, and --convert.
#include "gen_command.h"
#include "generators/frame.h"
#include "generators/usb.h"

namespace qv::cli {
namespace {

struct UsbOptions {
    gen::UsbSettings settings;
    RateOption rate{"12", RateUnit::Mbps};
    gen::UsbPacketFields fields;
    ListBuild list;
};

const char* const pidNames[] = {"SOF", "SETUP", "IN", "OUT", "DATA0", "DATA1", "ACK", "NACK", "STALL"};
const char* const unitNames[] = {"M", "K", "Hz"};

bool add(UsbOptions& o) {
    if (o.list.refused != Msg::None) return true;
    gen::UsbCells cells;
    if (Msg m = gen::usbPacketCells(o.fields, cells); m != Msg::None) {
        o.list.refused = m;
        o.list.refusedArgument.clear();
        return true;
    }
    o.list.lines.push_back(gen::usbLineOfCells(cells));
    o.fields = {};
    return true;
}

bool field(std::string& to, const std::string& value, std::size_t longest) {
    if (value.size() > longest) return false;
    to = value;
    return true;
}

constexpr GenOption<UsbOptions> options[] = {
    {"rate", "N", Msg::CliGenUsbRate, [](UsbOptions& o, const std::string& v) { return !(o.rate.text = v).empty(); }},
    {"unit", "M|K|Hz", Msg::CliGenUsbUnit,
     [](UsbOptions& o, const std::string& v) { return readChoice(v, unitNames, o.rate.unit); }},
    {"channel", "N", Msg::CliGenUsbChannel,
     [](UsbOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.channel); }},
    {"repeat", nullptr, Msg::CliGenRepeat, [](UsbOptions& o, const std::string&) { return o.settings.repeat = true; }},
    {"pid", "NAME", Msg::CliGenUsbPid,
     [](UsbOptions& o, const std::string& v) { return readChoice(v, pidNames, o.fields.pid); }},
    {"frame", "HEX", Msg::CliGenUsbFrame,
     [](UsbOptions& o, const std::string& v) { return field(o.fields.frameNumber, v, gen::usbFieldLength); }},
    {"address", "HEX", Msg::CliGenUsbAddress,
     [](UsbOptions& o, const std::string& v) { return field(o.fields.address, v, gen::usbFieldLength); }},
    {"endpoint", "HEX", Msg::CliGenUsbEndpoint,
     [](UsbOptions& o, const std::string& v) { return field(o.fields.endpoint, v, gen::usbFieldLength); }},
    {"bytes", "HEX;HEX;...", Msg::CliGenUsbData,
     [](UsbOptions& o, const std::string& v) { return field(o.fields.data, v, gen::usbDataLength); }},
    {"add", nullptr, Msg::CliGenUsbAdd, [](UsbOptions& o, const std::string&) { return add(o); }},
    {"line", "TEXT", Msg::CliGenUsbLine,
     [](UsbOptions& o, const std::string& v) {
         o.list.lines.push_back(v);
         return true;
     }},
    {"list", "FILE", Msg::CliGenBusList, [](UsbOptions& o, const std::string& v) { return appendListFile(v, o.list); }},
    {"sample", nullptr, Msg::CliGenUsbSample,
     [](UsbOptions& o, const std::string&) {
         for (std::string& line : gen::splitListText(gen::usbSampleText())) o.list.lines.push_back(std::move(line));
         return true;
     }},
};

int usbMain(const GenCommon& common, const std::vector<std::string>& args) {
    UsbOptions o;
    if (int status = applyOptions<UsbOptions>(options, args, o); status != exitDone) return status;
    if (int status = finishList(o.list); status != exitDone) return status;
    const auto rate = rateOf(o.rate);
    if (!rate) return failWithValue("--rate", o.rate.text);
    o.settings.rateBitsPerSecond = *rate;
    const gen::UsbSettings& s = o.settings;
    const std::vector<std::string>& lines = o.list.lines;
    if (common.convertOut.empty())
        return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
            return gen::runUsb(ports, s, lines, buffer).outcome.result == OutputResult::Running;
        });
    return genConvert(common, [&](std::span<Sample> buffer, gen::ConvertRequest& request) {
        if (Msg m = gen::validateUsb(s, request.capabilities); m != Msg::None) return m;
        std::vector<gen::UsbUnit> units;
        if (gen::readUsbList(lines, units).line > 0) return Msg::ListLineUnreadable;
        const gen::UsbBuild built =
            gen::buildUsbStream(units, s, gen::usbSampleClock(s), common.instrument.cardType, buffer,
                                gen::sampleLimit(request.capabilities, gen::usbSampleLimitMargin));
        if (built.error != Msg::None) return built.error;
        request.signals = {{"USB_D+", s.channel}, {"USB_D-", s.channel + 1}};
        request.sampleClockHz = gen::usbSampleClock(s);
        return Msg::None;
    });
}

} // namespace

const GenTool usbGenTool{"usb", Msg::CliGenUsbSummary, [] { printOptionTable<UsbOptions>(options); }, usbMain};

} // namespace qv::cli
