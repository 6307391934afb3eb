// qvtool gen printer: the printer port's settings and Pin Define from the command line; Run only
// (the tool has no Convert). The data is the text of --data, or the bytes of --file; BUSY is
// played on the instrument's event input with --ev1 A-B (a line held high from A until B).
#include "gen_command.h"
#include "generators/frame.h"
#include "generators/printer.h"

namespace qv::cli {
namespace {

struct PrinterOptions {
    gen::PrinterSettings settings;
    std::string file;
};
using Option = GenOption<PrinterOptions>;

constexpr Option options[] = {
    {"file", "PATH", Msg::CliGenPrinterFile,
     [](PrinterOptions& o, const std::string& v) { return !(o.file = v).empty(); }},
    {"line-feed", nullptr, Msg::CliGenPrinterLineFeed,
     [](PrinterOptions& o, const std::string&) { return o.settings.lineFeed = true; }},
    {"form-feed", nullptr, Msg::CliGenPrinterFormFeed,
     [](PrinterOptions& o, const std::string&) { return o.settings.formFeed = true; }},
    {"repeat", nullptr, Msg::CliGenRepeat,
     [](PrinterOptions& o, const std::string&) { return o.settings.repeat = true; }},
    {"section", nullptr, Msg::CliGenSection,
     [](PrinterOptions& o, const std::string&) { return o.settings.section = true; }},
    {"data-high", "H", Msg::CliGenPrinterDataHigh,
     [](PrinterOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.pins.dataHigh); }},
    {"strobe", "N", Msg::CliGenPrinterStrobe,
     [](PrinterOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.pins.strobe); }},
    {"select-in", "N", Msg::CliGenPrinterSelectIn,
     [](PrinterOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.pins.selectIn); }},
    {"auto-feed", "N", Msg::CliGenPrinterAutoFeed,
     [](PrinterOptions& o, const std::string& v) { return readInt(v, 0, 63, o.settings.pins.autoFeed); }},
    {"busy", "EVENT", Msg::CliGenPrinterBusy,
     [](PrinterOptions& o, const std::string& v) { return readInt(v, 1, 3, o.settings.pins.busyEvent); }},
};

int printerMain(const GenCommon& common, const std::vector<std::string>& args) {
    PrinterOptions o;
    if (const int status = applyOptions<PrinterOptions>(options, args, o); status != exitDone) return status;
    if (!common.convertOut.empty()) return fail(Msg::CliGenNoConvert, "printer", exitBadArguments);
    // Pin Define's OK refuses such pins; the dialog never runs with them.
    const Capabilities caps = capabilitiesFor(common.instrument.model);
    if (Msg m = gen::checkPrinterPins(o.settings.pins, caps.channelCount); m != Msg::None) return fail(m);
    if (o.settings.pins.busyEvent == 3 && common.instrument.cardType == gen::cardTypeWithOutputEnable)
        return fail(Msg::ChannelConflict);
    gen::PrinterSource source{!o.file.empty(), common.dataText, o.file};
    return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
        return outputStarted(gen::runPrinter(ports, o.settings, source, buffer).outcome.result);
    });
}

} // namespace

const GenTool printerGenTool{"printer", Msg::CliGenPrinterSummary, [] { printOptionTable<PrinterOptions>(options); },
                             printerMain};

} // namespace qv::cli
