// qvtool gen uart: the RS232 tool's settings from the command line; Run only (no Convert).
#include "gen_command.h"
#include "generators/uart.h"

namespace qv::cli {
namespace {

using gen::UartSettings;

const char* const parityNames[] = {"none", "even", "odd", "mark", "space"};
const char* const portNames[] = {"0", "1", "both", "different"};
const char* const formatNames[] = {"bin", "oct", "dec", "hex", "asc"};
const char* const stopBitNames[] = {"1", "1.5", "2", "3", "4"};

constexpr GenOption<UartSettings> options[] = {
    {"baud", "N", Msg::CliGenUartBaud,
     [](UartSettings& s, const std::string& v) { return readInt(v, 1, 200000000, s.baud); }},
    {"parity", "none|even|odd|mark|space", Msg::CliGenUartParity,
     [](UartSettings& s, const std::string& v) { return readChoice(v, parityNames, s.parity); }},
    {"data-bits", "N", Msg::CliGenUartDataBits,
     [](UartSettings& s, const std::string& v) {
         return readInt(v, gen::uartMinDataBits, gen::uartMaxDataBits, s.dataBits);
     }},
    {"stop-bits", "1|1.5|2|3|4", Msg::CliGenUartStopBits,
     [](UartSettings& s, const std::string& v) { return readChoice(v, stopBitNames, s.stopBits); }},
    {"port", "0|1|both|different", Msg::CliGenUartPort,
     [](UartSettings& s, const std::string& v) { return readChoice(v, portNames, s.port); }},
    {"format", "bin|oct|dec|hex|asc", Msg::CliGenUartFormat,
     [](UartSettings& s, const std::string& v) { return readChoice(v, formatNames, s.format); }},
    {"sync-channel", "N", Msg::CliGenUartSyncChannel,
     [](UartSettings& s, const std::string& v) { return s.syncChannelOn = readInt(v, 0, 63, s.syncChannel); }},
    {"repeat", nullptr, Msg::CliGenRepeat, [](UartSettings& s, const std::string&) { return s.repeat = true; }},
    {"section", nullptr, Msg::CliGenUartSection, [](UartSettings& s, const std::string&) { return s.section = true; }},
};

int uartMain(const GenCommon& common, const std::vector<std::string>& args) {
    UartSettings s = gen::uartDefaults(common.instrument.model);
    if (int status = applyOptions<UartSettings>(options, args, s); status != exitDone) return status;
    if (!common.convertOut.empty()) return fail(Msg::CliGenNoConvert, "uart", exitBadArguments);
    return genCapture(common, [&](OutputPorts& ports, std::span<Sample> buffer) {
        return outputStarted(gen::runUart(ports, s, common.dataText, buffer, {}).outcome.result);
    });
}

} // namespace

const GenTool uartGenTool{"uart", Msg::CliGenUartSummary, [] { printOptionTable<UartSettings>(options); }, uartMain};

} // namespace qv::cli
